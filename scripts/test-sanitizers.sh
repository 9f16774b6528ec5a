#!/usr/bin/env bash
# Builds Tarvelo and its suites again with AddressSanitizer and
# UndefinedBehaviorSanitizer (g++) in build/sanitizers and runs the logic,
# platform and widget suites there; any sanitizer report fails the run. The
# end-to-end suite (label e2e) and the benchmarks stay out to keep the run
# short. Then the libFuzzer harnesses replay their committed corpus
# (scripts/fuzz.sh). Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_SANITIZER_BUILD_DIR:-$root/build/sanitizers}
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVELO_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
ctest --test-dir "$build" --output-on-failure --timeout 900 --parallel "$(nproc)" -LE e2e "$@" || status=$?
"$root/scripts/fuzz.sh" || status=$?
exit $status
