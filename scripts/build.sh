#!/usr/bin/env bash
# Configures and builds Tarvelo, its tests and its benchmarks in build/
# (or in $TARVELO_BUILD_DIR); with target names, builds only those.
#
#   scripts/build.sh [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
