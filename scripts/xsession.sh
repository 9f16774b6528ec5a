#!/usr/bin/env bash
# A private X display with a session bus of its own (dbus-daemon), a window
# manager (openbox, EWMH) and a tray host (trayer, XEmbed), for the end-to-end
# tests and for running Tarvelo on a machine without a display. They run in a
# session of their own, away from the terminal: Ctrl-C there reaches the
# program under test, not the display it draws on.
#
#   scripts/xsession.sh start DIR          start them; DIR/display then holds ":N",
#                                          DIR/bus the session bus's address
#   scripts/xsession.sh start DIR --session-bus
#                                          the same on the session bus the caller
#                                          has ($DBUS_SESSION_BUS_ADDRESS, a
#                                          desktop's, with its user manager)
#                                          instead of a private one
#   scripts/xsession.sh stop DIR           stop what "start DIR" started
#   scripts/xsession.sh restart-tray DIR   end the tray host and start it again,
#                                          as a desktop does when its panel restarts
set -euo pipefail

usage() { echo "usage: $0 start DIR [--session-bus] | stop DIR | restart-tray DIR" >&2; exit 2; }
[ $# -eq 2 ] || { [ $# -eq 3 ] && [ "$1" = start ] && [ "$3" = --session-bus ]; } || usage
action=$1
dir=$2
session_bus=0
[ $# -eq 2 ] || session_bus=1

wait_for() {  # wait_for SECONDS DESCRIPTION COMMAND...
  local seconds=$1 what=$2; shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    if [ $SECONDS -ge $deadline ]; then echo "xsession: $what did not start" >&2; return 1; fi
    sleep 0.1
  done
}

stop() {
  [ -f "$dir/pids" ] || return 0
  # Stop in reverse order: clients before the server.
  for pid in $(tac "$dir/pids"); do kill "$pid" 2>/dev/null || true; done
  for pid in $(tac "$dir/pids"); do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -f "$dir/pids" "$dir/display" "$dir/tray.pid" "$dir/bus"
}

start() {
  mkdir -p "$dir"
  stop
  for tool in Xvfb dbus-daemon openbox trayer xprop xdotool; do
    command -v "$tool" >/dev/null || { echo "xsession: $tool is missing (run scripts/install-deps.sh)" >&2; exit 1; }
  done
  : > "$dir/pids"
  # Xvfb picks a free display number and writes it to descriptor 3.
  rm -f "$dir/display.number"
  setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 96 -nolisten tcp -noreset \
    3>"$dir/display.number" >"$dir/xvfb.log" 2>&1 &
  echo $! >> "$dir/pids"
  wait_for 60 Xvfb test -s "$dir/display.number"
  local display=":$(tr -d '[:space:]' < "$dir/display.number")"
  export DISPLAY=$display

  local bus
  if [ $session_bus -eq 1 ]; then
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "xsession: no session bus to use" >&2; exit 1; }
    bus=$DBUS_SESSION_BUS_ADDRESS
  else
    # The display's own session bus (an abstract socket: no file to leave
    # behind), for the programs on it and for nothing else.
    rm -f "$dir/bus.address"
    setsid dbus-daemon --session --nofork --nopidfile --address=unix:tmpdir="${TMPDIR:-/tmp}" \
      --print-address=4 4>"$dir/bus.address" >"$dir/dbus.log" 2>&1 &
    echo $! >> "$dir/pids"
    wait_for 10 "the session bus" test -s "$dir/bus.address"
    bus=$(head -n 1 "$dir/bus.address")
    export DBUS_SESSION_BUS_ADDRESS=$bus
  fi

  setsid openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  echo $! >> "$dir/pids"
  wait_for 60 openbox sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

  : > "$dir/trayer.log"
  start_tray
  cat "$dir/tray.pid" >> "$dir/pids"

  echo "$bus" > "$dir/bus"
  echo "$display" > "$dir/display"
  echo "$display"
}

# The tray host; DIR/tray.pid holds its process id.
start_tray() {
  setsid trayer --edge bottom --align right --widthtype request --height 24 --transparent false \
    --tint 0x1e3a5f --SetDockType true --SetPartialStrut true >>"$dir/trayer.log" 2>&1 &
  echo $! > "$dir/tray.pid"
  wait_for 60 trayer xdotool search --classname trayer
}

restart_tray() {
  [ -f "$dir/display" ] && [ -f "$dir/tray.pid" ] || { echo "xsession: not started in $dir" >&2; exit 1; }
  export DISPLAY=$(cat "$dir/display")
  [ ! -f "$dir/bus" ] || export DBUS_SESSION_BUS_ADDRESS=$(cat "$dir/bus")
  local old
  old=$(cat "$dir/tray.pid")
  kill "$old" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$old" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$old" 2>/dev/null || true
  # Its window goes with its connection to the server.
  for _ in $(seq 50); do xdotool search --classname trayer >/dev/null 2>&1 || break; sleep 0.1; done
  start_tray
  local new
  new=$(cat "$dir/tray.pid")
  # "stop" ends the new one in the old one's place.
  sed -i "s/^$old\$/$new/" "$dir/pids"
}

case $action in
  start) start ;;
  stop) stop ;;
  restart-tray) restart_tray ;;
  *) usage ;;
esac
