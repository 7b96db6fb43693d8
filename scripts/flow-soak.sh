#!/usr/bin/env bash
# The flow test of the window program run long: random tuner sessions against the simulated
# module, N actions in all (default 100000), spread over seeds of 2000 actions each so that
# every seed reports as it finishes. Prints per seed the actions, the violations, how often
# each action ran and what it cost (and what the checks after each action cost), then the
# totals and the time. Exit status 1 when any invariant broke.
#
#   scripts/flow-soak.sh [ACTIONS] [FIRST_SEED]
#
# Needs a dev build (cmake --preset dev && cmake --build build/dev --target app_FlowTest).
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-100000}
seed=${2:-1000}
per_seed=2000
binary=build/dev/tests/app_FlowTest
[ -x "$binary" ] || { echo "flow-soak: build $binary first" >&2; exit 2; }

start=$(date +%s)
done_actions=0
violations=0
while [ "$done_actions" -lt "$total" ]; do
    n=$(( total - done_actions < per_seed ? total - done_actions : per_seed ))
    # A seed runs for minutes: past QtTest's watchdog (5 minutes), which would abort it.
    out=$(QT_QPA_PLATFORM=offscreen QTEST_FUNCTION_TIMEOUT=86400000 CORVANE_FLOW_SOAK=1 \
          CORVANE_FLOW_ACTIONS=$n CORVANE_FLOW_SEEDS=$seed \
          "$binary" 2>/dev/null | grep -E '^(seed|  )' || true)
    echo "$out"
    v=$(echo "$out" | sed -n 's/^seed [0-9]*: [0-9]* actions, \([0-9]*\) violations.*/\1/p')
    [ -n "$v" ] || { echo "flow-soak: seed $seed did not report (crash?)" >&2; v=1; }
    violations=$(( violations + v ))
    done_actions=$(( done_actions + n ))
    seed=$(( seed + 1 ))
    echo "so far: $done_actions actions, $violations violations, $(( $(date +%s) - start )) s"
done
echo "flow soak: $done_actions actions, $violations violations, $(( $(date +%s) - start )) s"
[ "$violations" -eq 0 ]
