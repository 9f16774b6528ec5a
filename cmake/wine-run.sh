#!/usr/bin/env bash
# wine-run.sh LOADER PROGRAM ARGS...: runs a Windows program under Wine for
# ctest. Now and then Wine's loader ends at once, with a failure status and
# without having started the program at all (no line of output, in a few
# hundredths of a second). Every test program prints before it can fail, so a
# failure with no output at all is Wine's, not the test's: it is said on
# stderr and the program is started once more. Any other result is passed on
# as it is. The output goes through as it comes, so that a run ctest stops
# at its timeout still shows how far it got.
loader=$1
shift
out=$(mktemp "${TMPDIR:-/tmp}/tarvelo-wine-run.XXXXXX") || exit 1
trap 'rm -f "$out"' EXIT
"$loader" "$@" 2>&1 | tee "$out"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run: Wine ended with status $status before the program printed anything; starting it once more" >&2
  "$loader" "$@" 2>&1
  status=$?
fi
exit "$status"
