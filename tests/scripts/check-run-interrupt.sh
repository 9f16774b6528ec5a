#!/usr/bin/env bash
# ./scripts/run.sh without a display, ended by Ctrl-C as a terminal sends it
# (SIGINT to the whole foreground process group): Tarvelo ends in its orderly
# way before its private display, Tarvelo used the display's own session bus,
# the script's exit status is 0, and nothing started for the display is left
# running.
#
#   check-run-interrupt.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=$1 build=$2

for tool in setsid pgrep env; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing" >&2
    [ "${CI:-}" = true ] && exit 1 || exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-run.XXXXXX")
mkdir -m 700 "$work/runtime"
run=
cleanup() {
  if [ -n "$run" ] && kill -0 "$run" 2>/dev/null; then
    kill -TERM -- "-$run" 2>/dev/null || true
    for _ in $(seq 300); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$run" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# wait_until SECONDS COMMAND...
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# A Tarvelo of its own: its own runtime directory (the single-instance lock)
# and settings.
export TARVELO_BUILD_DIR=$build XDG_RUNTIME_DIR=$work/runtime TARVELO_CONFIG_DIR=$work/config \
  XDG_CONFIG_HOME=$work/config-home
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
# A terminal's foreground job: its own process group, Ctrl-C not ignored.
env --default-signal=INT setsid "$root/scripts/run.sh" >"$work/run.log" 2>&1 </dev/null &
run=$!

ready() { grep -q 'Press Ctrl-C' "$work/run.log" || ! kill -0 "$run" 2>/dev/null; }
wait_until 600 ready || { cat "$work/run.log" >&2; echo "FAIL: run.sh did not start Tarvelo" >&2; exit 1; }
kill -0 "$run" 2>/dev/null || { cat "$work/run.log" >&2; echo "FAIL: run.sh ended by itself" >&2; exit 1; }

display=$(sed -n 's/.*on the private display \(:[0-9]*\)\.$/\1/p' "$work/run.log")
session=$(dirname "$(grep -lx -- "$display" "$build"/run-session*/display)")
session_pids=$(cat "$session/pids")
bus=$(cat "$session/bus" 2>/dev/null) || fail "the private display has no session bus"
tarvelo=$(pgrep -s "$run" -x tarvelo) || fail "no Tarvelo runs in run.sh's session"
if [ -n "$tarvelo" ] && [ -n "$bus" ]; then
  tr '\0' '\n' <"/proc/$tarvelo/environ" | grep -qxF "DBUS_SESSION_BUS_ADDRESS=$bus" ||
    fail "Tarvelo does not use the private display's session bus"
fi

kill -INT -- "-$run"
ended() { ! kill -0 "$run" 2>/dev/null; }
wait_until 120 ended || fail "run.sh did not end within 120 s of Ctrl-C"
status=0
wait "$run" || status=$?
run=
[ $status -eq 0 ] || fail "run.sh exited with $status"
# Qt says so when the X server goes before the program.
! grep -qiE 'X11 connection broke|XIO|connection to .*display' "$work/run.log" || fail "Tarvelo lost its display"

for pid in $tarvelo $session_pids; do
  ! kill -0 "$pid" 2>/dev/null || fail "process $pid ($(cat "/proc/$pid/comm" 2>/dev/null)) is still running"
done
[ ! -e "$session" ] || fail "the private display's directory $session is left"
# Nothing else started for the display lives on: no dbus-launch, no daemon.
for environ in /proc/[0-9]*/environ; do
  if tr '\0' '\n' 2>/dev/null <"$environ" | grep -qxF "DISPLAY=$display"; then
    pid=${environ#/proc/}; pid=${pid%/environ}
    fail "process $pid ($(cat "/proc/$pid/comm" 2>/dev/null)) of the display is left"
  fi
done

if [ $failures -ne 0 ]; then
  cat "$work/run.log" >&2
  exit 1
fi
echo "Ctrl-C ended Tarvelo, then its private display; nothing is left."
