#!/usr/bin/env bash
# Builds the Debian package of Corvane with CPack: an optimised build (no tests, no
# benchmarks) in build/package, installed under /usr, packed as build/package/corvane_*.deb.
# The build is nice'd: the machine is shared.
#   scripts/package.sh            build and pack
#   JOBS=4 scripts/package.sh     more compile jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="${JOBS:-2}"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/package -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF -DCORVANE_BUILD_FUZZ=OFF \
  "${launcher[@]}" >/dev/null
nice cmake --build build/package -j "$jobs" --target corvane corvane-cli corvane-sim corvane-docs
(cd build/package && nice cpack -G DEB >/dev/null)
deb=$(ls -t build/package/corvane_*.deb | head -n 1)
echo "$deb"
