#!/bin/sh
# Runs the example client of docs/examples against corvane-sim --pty. Without python3 the
# test reports itself skipped (exit 77), as ctest is told.
command -v python3 >/dev/null 2>&1 || { echo "python3 not found: example client skipped"; exit 77; }
exec python3 "$(dirname "$0")/run_example_client.py" "$@"
