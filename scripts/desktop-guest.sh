#!/bin/bash
# The desktop stage's guest side (see scripts/test-desktop.sh): run as root
# by the guest's systemd once the system is up (systemd.run=), from the
# stage's folder, where it leaves its log, its times and the suite's status.
# Brings up the system bus, logind and the stage user's manager
# (user@UID.service), an X display with a window manager and a tray host as
# that user's service, and runs the desktop suite as that user in its
# manager, as a logged-in user's programs run.
set -uo pipefail
results=$(dirname "$(readlink -f "$0")")
exec >"$results/guest.log" 2>&1 </dev/null
# root, build, user, ci, time_scale
. "$results/stage.env"

moment() { echo "$1=$(cut -d' ' -f1 /proc/uptime)" >> "$results/times"; }
fail() {
  echo "guest: $*"
  exit 1
}
moment boot

uid=$(id -u "$user") || fail "no user $user"
# What a guest process creates on hostfs, the guest's root, belongs to the
# host's root: the user's temporary files and home go to file systems of
# the guest's own.
mount -t tmpfs -o mode=1777 tarvelo-desktop /tmp || fail "no tmpfs for /tmp"
mount -t tmpfs -o "mode=700,uid=$uid,gid=$(id -g "$user")" tarvelo-desktop "$(getent passwd "$user" | cut -d: -f6)" ||
  fail "no tmpfs for the home folder"

systemctl start dbus.socket dbus.service systemd-logind.service || fail "the system bus or logind did not start"
moment user_started
systemctl start "user@$uid.service" || fail "user@$uid.service did not start"
moment user_up
echo "guest: cgroup controllers $(cat /sys/fs/cgroup/cgroup.controllers); delegated to user@$uid.service:" \
  "$(cat "/sys/fs/cgroup/user.slice/user-$uid.slice/user@$uid.service/cgroup.controllers")"

# The program and its helper on a file system that keeps file capabilities
# (hostfs, the guest's root, has no extended attributes), laid out as in the
# build: bin/ and libexec/tarvelo/.
program=/opt/tarvelo-desktop
mkdir -p "$program"
mount -t tmpfs -o mode=755 tarvelo-desktop "$program" || fail "no tmpfs for the program"
install -D -m 755 "$build/bin/tarvelo" "$program/bin/tarvelo"
install -m 644 "$build/bin/Tarvelo.ico" "$program/bin/Tarvelo.ico"
install -D -m 755 "$build/libexec/tarvelo/tarvelo-priv" "$program/libexec/tarvelo/tarvelo-priv"
setcap cap_sys_nice+ep "$program/libexec/tarvelo/tarvelo-priv" || fail "setcap failed"

as_user=(systemd-run "--machine=$user@.host" --user --quiet)
session=/run/user/$uid/tarvelo-desktop-session
"${as_user[@]}" --unit=tarvelo-desktop-x.service --service-type=oneshot --property=RemainAfterExit=yes \
  "$root/scripts/xsession.sh" start "$session" --session-bus || fail "the X session did not start"
moment session_up

environment=(--setenv=TARVELO_E2E_SESSION="$session" --setenv=TARVELO_DESKTOP_PROGRAM="$program/bin/tarvelo")
[ -z "$ci" ] || environment+=(--setenv=CI="$ci")
[ -z "$time_scale" ] || environment+=(--setenv=TARVELO_TEST_TIME_SCALE="$time_scale")
moment tests_started
"${as_user[@]}" --wait --pipe --unit=tarvelo-desktop-tests.service "${environment[@]}" \
  "$build/tests/e2e/desktop_e2e_tests" --gtest_output="xml:/run/user/$uid/desktop-tests.xml"
tests=$?
moment tests_ended

systemctl --user "--machine=$user@.host" stop tarvelo-desktop-x.service
cp "/run/user/$uid/desktop-tests.xml" "$results/" 2>/dev/null || true
echo "$tests" > "$results/status"
