#!/usr/bin/env bash
# The libFuzzer harnesses of tests/fuzz, built with clang into build/fuzz.
#
#   scripts/fuzz.sh                 replay the committed corpus once (CI does)
#   scripts/fuzz.sh SECONDS [NAME]  fuzz each harness (or NAME) for SECONDS,
#                                   adding what it finds to a scratch corpus
#                                   in build/fuzz/found/NAME
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_FUZZ_BUILD_DIR:-$root/build/fuzz}
corpus=$root/tests/fuzz/corpus
harnesses=(private_profile proc_parsers ad_reply compositor_reply)

cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --parallel "$(nproc)"

if [ $# -eq 0 ]; then
  # Every file of the corpus once; a crash, leak or sanitizer report fails.
  for name in "${harnesses[@]}"; do
    echo "fuzz: replaying $name"
    "$build/${name}_fuzz" "$corpus/$name"/* 2>"$build/$name.log" || { cat "$build/$name.log" >&2; exit 1; }
  done
  exit 0
fi

seconds=$1
[ $# -ge 2 ] && harnesses=("$2")
for name in "${harnesses[@]}"; do
  mkdir -p "$build/found/$name"
  echo "fuzz: $name for ${seconds}s"
  "$build/${name}_fuzz" -max_total_time="$seconds" -max_len=65536 "$build/found/$name" "$corpus/$name"
done
