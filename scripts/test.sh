#!/usr/bin/env bash
# Builds Corvane and runs the whole test suite, the window tests included (on Qt's offscreen
# platform, so no display is needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset dev
