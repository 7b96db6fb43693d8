#!/usr/bin/env bash
# Start of the window program with a family-A map file to its first shown window, as a
# person sees it: a real X server (Xvfb), the process started cold, the time until the main
# window with the file's name is mapped. Prints one line per run and the median.
# Needs xvfb and xdotool (apt-get install xvfb xdotool); uses the release build.
set -euo pipefail
cd "$(dirname "$0")/.."
app=build/release/src/app/corvane
cli=build/release/src/cli/corvane-cli
runs=${1:-7}
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb :93 -screen 0 1400x950x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:93 HOME="$work" XDG_CONFIG_HOME="$work/.config"
for _ in $(seq 200); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done
"$cli" new "$work/tune.crv" >/dev/null
times=()
for _ in $(seq "$runs"); do
  t0=$(date +%s%N)
  "$app" "$work/tune.crv" --port sim >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 5000); do
    xdotool search --onlyvisible --name "tune.crv" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || { echo "corvane ended before its window showed" >&2; exit 1; }
    sleep 0.002
  done
  t1=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  ms=$(( (t1 - t0) / 1000000 ))
  times+=("$ms")
  echo "start to shown window: $ms ms"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print "median: " a[int((NR+1)/2)] " ms over " NR " runs"}'
