#!/usr/bin/env bash
# The privilege helper is built hardened, as read from the built file: a
# position-independent executable (ELF type DYN, PIE flag), relocations bound
# at start and then read-only (BIND_NOW / NOW, a GNU_RELRO segment), stack
# canaries (__stack_chk_fail imported). The checked libc calls leave a mark in
# the file only where a call's length is not known to fit while compiling, so
# that every object of the listed targets was compiled with _FORTIFY_SOURCE
# and optimisation is read from the build's compile commands.
#
#   check-hardening.sh HELPER COMPILE_COMMANDS fortified|plain TARGET...
set -euo pipefail
helper=$1 commands=$2 fortify=$3
shift 3

if ! command -v readelf >/dev/null; then
  echo "readelf is missing" >&2
  [ "${CI:-}" = true ] && exit 1 || exit 77
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

header=$(readelf -hW "$helper")
dynamic=$(readelf -dW "$helper")
segments=$(readelf -lW "$helper")
imports=$(readelf --dyn-syms -W "$helper" | awk '$7 == "UND" {print $8}')

grep -Eq '^ *Type: +DYN ' <<<"$header" || fail "not position-independent: $(grep Type: <<<"$header")"
grep -Eq '\(FLAGS_1\) .*\bPIE\b' <<<"$dynamic" || fail "no PIE flag in the dynamic section"
grep -Eq '\(FLAGS_1\) .*\bNOW\b|\(BIND_NOW\)|\(FLAGS\) .*\bBIND_NOW\b' <<<"$dynamic" ||
  fail "relocations are bound lazily (no BIND_NOW, no NOW flag): link with -z now"
grep -Eq '^ *GNU_RELRO ' <<<"$segments" || fail "no GNU_RELRO segment: link with -z relro"
grep -Eq '^__stack_chk_fail(@|$)' <<<"$imports" || fail "no stack canaries (__stack_chk_fail is not imported)"

if [ "$fortify" = fortified ]; then
  for target in "$@"; do
    compiled=$(grep -E "\"command\": .* -o [^ ]*CMakeFiles/$target\.dir/" "$commands" || true)
    [ -n "$compiled" ] || { fail "$target: no compile commands in $commands"; continue; }
    while IFS= read -r command; do
      object=$(grep -Eo ' -o [^ ]+' <<<"$command" | cut -c5-)
      grep -Eq ' -D_FORTIFY_SOURCE=[23]\b' <<<"$command" || fail "$object: compiled without _FORTIFY_SOURCE"
      # The last -O decides; fortified calls need one above -O0.
      level=$(grep -Eo ' -O[0-9a-z]*' <<<"$command" | tail -n 1)
      [ -n "$level" ] && [ "$level" != " -O0" ] || fail "$object: compiled without optimisation, which fortification needs"
    done <<<"$compiled"
  done
fi

if [ $failures -ne 0 ]; then
  echo "check-hardening: $failures check(s) failed for $helper" >&2
  exit 1
fi
echo "check-hardening: $helper is hardened"
