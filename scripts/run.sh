#!/usr/bin/env bash
# Builds Corvane and runs it on the built-in simulated module: probes the module, READs its
# maps and settings into a map file, shows the file, watches the live stream, and AutoTunes a
# fuel row that the simulated engine finds 8 % lean, writing the corrected maps back.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target corvane-cli
cli=build/release/src/cli/corvane-cli
out=build/demo
mkdir -p "$out"
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
