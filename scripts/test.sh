#!/usr/bin/env bash
# Builds Corvane and runs the whole test suite, the window tests included (on Qt's offscreen
# platform, so no display is needed), then the core flow in a real X window
# (scripts/gui-smoke.sh), which starts an X server of its own and is skipped where none can be
# started.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset dev
status=0
scripts/gui-smoke.sh || status=$?
case "$status" in
    0) ;;
    77) echo "test.sh: the X window smoke test was skipped (no X server could be started)" ;;
    *) exit "$status" ;;
esac
