#!/usr/bin/env bash
# Sets up, builds and starts Tarvelo. Without a display it starts a private
# one (Xvfb with a window manager and a tray host), saves a screenshot of it
# and prints where; Ctrl-C ends Tarvelo and the private display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/bin/tarvelo" "$@"
fi

session=$build/run-session
"$root/scripts/xsession.sh" start "$session" >/dev/null
trap '"$root/scripts/xsession.sh" stop "$session"' EXIT
export DISPLAY=$(cat "$session/display")
echo "No display: Tarvelo runs on the private display $DISPLAY."

"$build/bin/tarvelo" "$@" &
tarvelo=$!
trap 'kill -INT $tarvelo 2>/dev/null || true' INT TERM
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Tarvelo$' >/dev/null 2>&1 && break
  kill -0 $tarvelo 2>/dev/null || break
  sleep 0.1
done
sleep 1
screenshot=$build/screenshot.png
import -window root "$screenshot"
echo "Screenshot: $screenshot"
echo "Press Ctrl-C to end Tarvelo."
status=0
wait $tarvelo || status=$?
# The first wait returns early when Ctrl-C arrives; wait for the orderly end.
wait $tarvelo 2>/dev/null || true
exit $status
