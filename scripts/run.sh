#!/usr/bin/env bash
# Builds Corvane and starts the window program on the built-in simulated module: press Ctrl+R
# to READ its maps and settings, then edit. On a machine without a display it says so, takes
# the command-line tour of the simulated module instead and writes screenshots of the windows
# to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The test configuration (dev): scripts/test.sh then builds only the tests and benchmarks on
# top of what this built, instead of everything again in a configuration of its own.
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)" --target corvane corvane-cli corvane-sim
app=build/dev/src/app/corvane
cli=build/dev/src/cli/corvane-cli
out=build/demo
mkdir -p "$out"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting corvane on the simulated module: press Ctrl+R to READ it, F2 lists the keys."
  exec "$app" --port sim "$@"
fi

echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): the command-line tour"
echo "of the simulated module follows, and screenshots of the windows go to $out/."
step() { printf '\n== %s\n' "$*"; }
step "corvane-cli probe --port sim"
"$cli" probe --port sim
step "corvane-cli read --port sim --yes $out/module.crv"
"$cli" read --port sim --yes "$out/module.crv" 2>/dev/null
step "corvane-cli info $out/module.crv"
"$cli" info "$out/module.crv"
step "corvane-cli monitor --port sim --count 5 --csv --scenario 'hold rpm=2304 sites=8..48/8 dwell=0.5'"
"$cli" monitor --port sim --count 5 --csv --scenario "hold rpm=2304 sites=8..48/8 dwell=0.5" | cut -c1-160
step "corvane-cli autotune --port sim --row 2304 --sim-lean 8 --seconds 20 -o $out/tuned.crv"
"$cli" autotune --port sim --row 2304 --sim-lean 8 --seconds 20 -o "$out/tuned.crv" 2>/dev/null | tail -n 24
step "corvane-cli diff $out/module.crv $out/tuned.crv | head"
"$cli" diff "$out/module.crv" "$out/tuned.crv" | head -n 12 || true
step "corvane --screenshot $out"
QT_QPA_PLATFORM=offscreen "$app" --screenshot "$out" 2>/dev/null
