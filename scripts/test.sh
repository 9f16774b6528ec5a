#!/usr/bin/env bash
# Sets up, builds and runs every test: the logic and widget suites and the
# end-to-end suite on a private X display, which the tests start and stop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
ctest --test-dir "$build" --output-on-failure --timeout 600 --parallel "$(nproc)" "$@"
