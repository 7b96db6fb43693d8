#!/usr/bin/env bash
# The Windows build, tested under Wine: cross-compiles the core, corvane-cli, corvane-sim and
# their tests with mingw-w64 (preset windows-cross) and runs every test executable under Wine,
# then corvane-cli.exe against the emulator on a pseudo-terminal mapped as COM5 of the Wine
# prefix. Installs what it needs (as root; otherwise it prints the command).
#
# Environment: JOBS (build jobs, default: the number of cores), WINEPREFIX (default: a prefix
# of its own under build/windows-cross, made on first use and kept).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
say() { echo "test-windows: $*  [$(( $(date +%s) - started )) s]"; }

packages=(cmake ninja-build mingw-w64 wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The Windows build needs: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The Linux emulator and command-line tool for the COM-port test (the dev preset's, built by
# scripts/test.sh; built here when missing).
host_tools=build/dev/src/cli
if [ ! -x "$host_tools/corvane-sim" ] || [ ! -x "$host_tools/corvane-cli" ]; then
  say "building the Linux corvane-sim and corvane-cli"
  scripts/deps.sh
  cmake --preset dev >/dev/null
  cmake --build build/dev -j "${JOBS:-$(nproc)}" --target corvane-sim corvane-cli
fi

# Wine for console programs only: no display, no dialogs (the Gecko and Mono installers, the
# desktop menu builder, the crash debugger: a crashing test ends, it does not wait), no debug
# output.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
export WINEPREFIX="${WINEPREFIX:-$PWD/build/windows-cross/wineprefix}"
mkdir -p build/windows-cross
# A fresh prefix takes some seconds to make: made while the build runs, and the Wine server
# started once for every test that follows (-p: it stays up between programs).
wineserver="$(dirname "$wine")/wineserver"
mkdir -p "$WINEPREFIX"
"$wineserver" -k 2>/dev/null || true
# Its own log: a Wine server that has had a pseudo-terminal open as a COM port gets that
# terminal's hang-up when the emulator ends, and answers it with a dump of all its objects.
"$wineserver" -p 2>build/windows-cross/wineserver.log
trap '"$wineserver" -k 2>/dev/null || true' EXIT
prefix_log=build/windows-cross/wineboot.log
"$wine" wineboot --init >"$prefix_log" 2>&1 &
prefix_job=$!

say "configuring and building the windows-cross preset"
cmake --preset windows-cross -DCORVANE_HOST_TOOLS_DIR="$PWD/$host_tools" >/dev/null
cmake --build --preset windows-cross -j "${JOBS:-$(nproc)}"
wait "$prefix_job" || { cat "$prefix_log" >&2; exit 1; }
say "built; Wine prefix ready"

status=0
ctest --preset windows-cross || status=$?
say "done"
exit "$status"
