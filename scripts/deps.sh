#!/usr/bin/env bash
# Installs the Debian packages Corvane needs to build, test and run. As root it runs
# apt-get itself; otherwise it prints the one command to run and fails.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-serialport-dev libqcustomplot-dev
          fonts-liberation2 srecord
          dpkg-dev file help2man
          xvfb openbox xdotool x11-utils imagemagick)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Corvane needs these packages. Run:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
