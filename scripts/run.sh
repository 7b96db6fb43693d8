#!/usr/bin/env bash
# Builds Corvane and starts it on the built-in simulated module.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target corvane-cli
exec build/release/src/cli/corvane-cli demo "$@"
