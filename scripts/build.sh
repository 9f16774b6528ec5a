#!/usr/bin/env bash
# Configures and builds Tarvelo, its tests and its benchmarks in build/
# (or in $TARVELO_BUILD_DIR); with target names, builds only those. A build
# tree that is configured already keeps its generator and its settings.
#
#   scripts/build.sh [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" >/dev/null
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
