#!/usr/bin/env bash
# Sets up, builds and starts Tarvelo (the program and its privilege helper, not the tests). Without
# a display it starts a private one (Xvfb with its own session bus, a window
# manager and a tray host), saves a screenshot of it and prints where; Ctrl-C
# ends Tarvelo in its orderly way, then the private display. The exit status is
# Tarvelo's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" tarvelo tarvelo-priv

if [ -n "${DISPLAY:-}" ]; then
  # Without a session bus, the D-Bus library would start one of its own
  # (dbus-launch) that outlives Tarvelo: point it at the user's bus socket,
  # which is not there, so that it goes without.
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    runtime=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}
    [ -S "$runtime/bus" ] || export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
  fi
  exec "$build/bin/tarvelo" "$@"
fi

session=$(mktemp -d "$build/run-session.XXXXXX")
tarvelo=
# Tarvelo ends first, in its orderly way, then the display it draws on.
stop_session() {
  trap '' INT TERM HUP  # a second Ctrl-C does not cut the clean-up short
  if [ -n "$tarvelo" ] && kill -0 "$tarvelo" 2>/dev/null; then
    kill -INT "$tarvelo" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$tarvelo" 2>/dev/null || break; sleep 0.1; done
  fi
  "$root/scripts/xsession.sh" stop "$session"
  rm -rf "$session"
}
trap stop_session EXIT
"$root/scripts/xsession.sh" start "$session" >/dev/null
export DISPLAY=$(cat "$session/display")
export DBUS_SESSION_BUS_ADDRESS=$(cat "$session/bus")
echo "No display: Tarvelo runs on the private display $DISPLAY."

"$build/bin/tarvelo" "$@" &
tarvelo=$!
# Ctrl-C reaches Tarvelo from the terminal too; this also passes on a SIGTERM
# or SIGHUP of the script. The private display runs on until Tarvelo has ended.
interrupted=0
trap 'interrupted=1; kill -INT $tarvelo 2>/dev/null || true' INT TERM HUP
for _ in $(seq 100); do
  [ $interrupted -eq 0 ] || break
  xdotool search --onlyvisible --name '^Tarvelo$' >/dev/null 2>&1 && break
  kill -0 $tarvelo 2>/dev/null || break
  sleep 0.1 || true  # Ctrl-C ends the sleep too
done
if [ $interrupted -eq 0 ] && kill -0 $tarvelo 2>/dev/null; then
  sleep 1 || true
  screenshot=$build/screenshot.png
  if import -window root "$screenshot"; then echo "Screenshot: $screenshot"; fi
  echo "Press Ctrl-C to end Tarvelo."
fi
# A trapped signal cuts a wait short while Tarvelo still runs: wait again.
while :; do
  status=0
  wait $tarvelo || status=$?
  [ $status -gt 128 ] && kill -0 $tarvelo 2>/dev/null || break
done
exit $status
