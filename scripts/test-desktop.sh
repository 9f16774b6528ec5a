#!/usr/bin/env bash
# The desktop stage: boots a Linux system under User-mode Linux (no KVM
# needed), with systemd as PID 1 and cgroup v2, on this machine's own files,
# and runs the desktop suite (tests/e2e/DesktopTest.cpp) there as an ordinary
# logged-in user with a user manager, logind, and an X display, a window
# manager and a tray host as that user's service (scripts/desktop-guest.sh).
#
# The machine is left as it was: the guest's root is an overlay of / whose
# upper layer lies in memory, in a mount namespace of its own. The throw-away
# user, the masked units and the folders opened to that user exist only
# there, and go with the namespace; a process namespace ends whatever the
# guest left running, and a timeout bounds the guest.
#
# Needs root (without it the stage is skipped) and linux.uml (package
# user-mode-linux, scripts/install-deps.sh). With CI=true, a missing tool or
# a guest that does not come up is a failure, not a skip.
#
#   scripts/test-desktop.sh
#   TARVELO_DESKTOP_TIMEOUT   seconds the guest may run (330 when unset)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
build=$(cd "$build" 2>/dev/null && pwd || echo "$build")
timeout_seconds=${TARVELO_DESKTOP_TIMEOUT:-330}
# Where the guest finds the stage's folder, and the user it runs the suite as.
guest_stage=/var/tmp/tarvelo-desktop-stage
user=tarvelo-desktop

# The stage's work in the namespaces: the guest's root, then the guest.
inside() {
  local stage=$1
  local layers=$stage/layers
  local guest=$layers/root
  mkdir -p "$layers"
  mount -t tmpfs -o mode=700 tarvelo-desktop "$layers"
  mkdir "$layers/upper" "$layers/work" "$guest"
  mount -t overlay tarvelo-desktop -o "lowerdir=/,upperdir=$layers/upper,workdir=$layers/work" "$guest"
  # An overlay of / shows no other file system: one of its own for each
  # that holds the sources or the build.
  local n=0 overlaid=/ dir mountpoint
  for dir in "$root" "$build"; do
    mountpoint=$(findmnt -n -o TARGET -T "$dir")
    case " $overlaid " in *" $mountpoint "*) continue ;; esac
    n=$((n + 1))
    mkdir "$layers/upper$n" "$layers/work$n"
    mount -t overlay tarvelo-desktop -o "lowerdir=$mountpoint,upperdir=$layers/upper$n,workdir=$layers/work$n" \
      "$guest$mountpoint"
    overlaid="$overlaid $mountpoint"
  done
  # The guest's memory lies in files there (uml_dir).
  mount -t tmpfs -o mode=1777 tarvelo-desktop "$guest/dev/shm"
  mkdir -p "$guest$guest_stage"
  mount --bind "$stage/results" "$guest$guest_stage"

  # Else the guest's systemd takes itself for a container and ignores its
  # command line.
  rm -f "$guest/.dockerenv"
  # Else the boot empties /tmp, the host's as the overlay shows it.
  ln -sfn /dev/null "$guest/etc/tmpfiles.d/tmp.conf"
  # What the boot would start besides (the guest's command stands in for
  # the default target): nothing the suite needs.
  local unit
  for unit in systemd-timesyncd.service systemd-pstore.service systemd-journal-flush.service \
    systemd-random-seed.service systemd-update-utmp.service systemd-sysusers.service systemd-remount-fs.service \
    systemd-modules-load.service modprobe@.service systemd-binfmt.service proc-sys-fs-binfmt_misc.automount; do
    ln -sfn /dev/null "$guest/etc/systemd/system/$unit"
  done
  # The same for the user's manager: no sound server, no key agents.
  mkdir -p "$guest/etc/systemd/user"
  for unit in pipewire.socket pipewire-pulse.socket pipewire.service pipewire-pulse.service wireplumber.service \
    gpg-agent.socket gpg-agent-ssh.socket gpg-agent-extra.socket gpg-agent-browser.socket dirmngr.socket \
    pk-debconf-helper.socket; do
    ln -sfn /dev/null "$guest/etc/systemd/user/$unit"
  done

  # The helper serves members of its group; the guest's user has no seat.
  chroot "$guest" groupadd --force --system tarvelo
  chroot "$guest" useradd --create-home --user-group --groups tarvelo --shell /bin/bash "$user"
  # The user reaches what it runs, through every folder on the way.
  local file
  for file in "$build/tests/e2e/desktop_e2e_tests" "$build/tests/e2e/titled_window" "$root/scripts/xsession.sh"; do
    [ -n "$(find "$file" -maxdepth 0 -perm -o=rx)" ] || chmod o+rx "$guest$file"
    dir=$(dirname "$file")
    while [ "$dir" != / ]; do
      [ -n "$(find "$dir" -maxdepth 0 -perm -o=x)" ] || chmod o+x "$guest$dir"
      dir=$(dirname "$dir")
    done
  done

  cp "$root/scripts/desktop-guest.sh" "$stage/results/guest.sh"
  {
    printf 'root=%q\nbuild=%q\nuser=%q\n' "$root" "$build" "$user"
    printf 'ci=%q\ntime_scale=%q\n' "${CI:-}" "${TARVELO_TEST_TIME_SCALE:-}"
  } > "$stage/results/stage.env"

  # The guest: one processor, its console on the log; it powers off once
  # its command has run, successfully or not.
  date +%s.%N > "$stage/results/guest-started"
  chroot "$guest" timeout --kill-after=20 "$timeout_seconds" linux.uml mem=1536M \
    root=/dev/root rootfstype=hostfs rootflags=/ rw uml_dir=/dev/shm con=null con0=fd:0,fd:1 \
    init=/lib/systemd/systemd "systemd.run=$guest_stage/guest.sh" \
    systemd.run_success_action=poweroff systemd.run_failure_action=poweroff \
    </dev/null >"$stage/results/console.log" 2>&1
}

if [ "${1:-}" = --inside ]; then
  inside "$2"
  exit
fi

skip_or_fail() {
  if [ "${CI:-}" = true ]; then
    echo "desktop stage: FAILED: $*" >&2
    exit 1
  fi
  echo "desktop stage: skipped: $*"
  exit 0
}

if [ "$(id -u)" -ne 0 ]; then
  echo "desktop stage: skipped: it needs root, to mount the guest's root and boot it (CI runs as root)"
  exit 0
fi
for tool in linux.uml unshare chroot timeout findmnt useradd setcap systemd-run; do
  command -v "$tool" >/dev/null || skip_or_fail "$tool is missing (scripts/install-deps.sh installs it)"
done
for file in bin/tarvelo bin/Tarvelo.ico libexec/tarvelo/tarvelo-priv tests/e2e/desktop_e2e_tests \
  tests/e2e/titled_window; do
  [ -e "$build/$file" ] || { echo "desktop stage: FAILED: $build/$file is missing (scripts/build.sh)" >&2; exit 1; }
done

# The guest has a /tmp of its own.
case "$root/ $build/" in
  /tmp/* | *" /tmp/"*) echo "desktop stage: FAILED: the sources and the build must lie outside /tmp" >&2; exit 1 ;;
esac

stage=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-desktop.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/results"
echo "desktop stage: booting the guest (User-mode Linux, systemd, cgroup v2)"
started=$(date +%s.%N)
guest_status=0
# Ending unshare ends everything in its namespaces (--kill-child), so ending
# this script does too. Waiting, unshare holds back INT and TERM: KILL.
unshare --mount --propagation private --pid --fork --kill-child -- "$0" --inside "$stage" &
namespaces=$!
trap 'kill -KILL "$namespaces" 2>/dev/null; wait "$namespaces"; exit 130' INT TERM
wait "$namespaces" || guest_status=$?
trap - INT TERM
ended=$(date +%s.%N)

results=$stage/results
[ ! -f "$results/guest.log" ] || cat "$results/guest.log"
# Seconds since the guest's boot: when its command began, when the user's
# manager was up, when the program and the X session were ready, when the
# suite began and ended.
moment() { sed -n "s/^$1=//p" "$results/times" 2>/dev/null | tail -n 1; }
boot=$(moment boot)
user_started=$(moment user_started)
user_up=$(moment user_up)
session_up=$(moment session_up)
tests_started=$(moment tests_started)
tests_ended=$(moment tests_ended)
lasted() { [ -n "$1" ] && [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f s", b - a }' || echo "-"; }
guest_started=$(cat "$results/guest-started" 2>/dev/null || true)
# From the end of the suite to the guest's end: the power-off.
power_off=-
[ -z "$guest_started" ] || [ -z "$tests_ended" ] ||
  power_off=$(awk -v a="$guest_started" -v t="$tests_ended" -v e="$ended" 'BEGIN { printf "%.0f s", e - a - t }')
echo "desktop stage: overlay and user $(lasted "$started" "$guest_started"), boot $(lasted 0 "$boot")," \
  "user@ $(lasted "$user_started" "$user_up"), program and X session $(lasted "$user_up" "$session_up")," \
  "tests $(lasted "$tests_started" "$tests_ended"), power-off $power_off, whole stage $(lasted "$started" "$ended")"

status=$(cat "$results/status" 2>/dev/null || true)
if [ -z "$boot" ]; then
  echo "desktop stage: the end of the guest's console:" >&2
  tail -n 40 "$results/console.log" >&2 || true
  skip_or_fail "the guest did not come up (exit $guest_status)"
fi
if [ "$status" = 0 ] && [ ! -s "$results/desktop-tests.xml" ]; then
  echo "desktop stage: FAILED: the suite left no results" >&2
  exit 1
fi
if [ "$status" != 0 ]; then
  [ "$guest_status" -ne 124 ] || echo "desktop stage: the guest ran out of its ${timeout_seconds} s" >&2
  echo "desktop stage: FAILED (status ${status:-none})" >&2
  exit 1
fi
echo "desktop stage: passed"
