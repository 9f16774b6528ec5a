#!/usr/bin/env bash
# Installs the build into a throw-away DESTDIR, as a package would (prefix
# /usr), and checks what lands there: the program, its data, the desktop
# entry, the icons, the metainfo and the man page, each with the tool that
# desktops and distributions check them with.
#
#   check-install.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 app_id=$2 version=$3

# A missing tool skips the test, except in CI, where it is a failure.
for tool in desktop-file-validate appstreamcli identify man xmllint; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing (run scripts/install-deps.sh)" >&2
    [ "${CI:-}" = true ] && exit 1 || exit 77
  fi
done

dest=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-install.XXXXXX")
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
usr=$dest/usr

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

sizes=(16 22 24 32 48 64 128 256)
expected=(
  bin/tarvelo
  share/tarvelo/Tarvelo.ico
  "share/applications/$app_id.desktop"
  "share/metainfo/$app_id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$app_id.svg"
  share/man/man1/tarvelo.1.gz
  share/doc/tarvelo/copyright
  libexec/tarvelo/tarvelo-priv
  libexec/tarvelo/tarvelo-grant
  "share/polkit-1/actions/$app_id.grant-helper.policy"
)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x$size/apps/$app_id.png"); done
for file in "${expected[@]}"; do [ -s "$usr/$file" ] || fail "$file is not installed"; done
# Nothing but the program in bin/: the tray's picture belongs to the data.
extra=$(find "$usr/bin" -mindepth 1 ! -name tarvelo)
[ -z "$extra" ] || fail "bin/ holds more than the program: $extra"
[ -x "$usr/bin/tarvelo" ] || fail "bin/tarvelo is not executable"

desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
grep -qx "Icon=$app_id" "$usr/share/applications/$app_id.desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=tarvelo" "$usr/share/applications/$app_id.desktop" || fail "the desktop entry runs another program"
appstreamcli validate --no-net "$usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"

for size in "${sizes[@]}"; do
  actual=$(identify -format '%wx%h' "$usr/share/icons/hicolor/${size}x$size/apps/$app_id.png")
  [ "$actual" = "${size}x$size" ] || fail "the ${size}x$size icon is $actual"
done
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$app_id.svg" || fail "the scalable icon is no SVG"

# "Allow…": the program asks pkexec to run tarvelo-grant, as root, under
# Tarvelo's own polkit action; the action names that program, never setcap
# (which would change how every setcap call on the system is asked for).
grant=$usr/libexec/tarvelo/tarvelo-grant
policy=$usr/share/polkit-1/actions/$app_id.grant-helper.policy
[ "$(stat -c %a "$grant")" = 755 ] || fail "tarvelo-grant has mode $(stat -c %a "$grant"), not 755"
# With an argument it does nothing (without one, as root, it would act on
# this machine's /usr/libexec/tarvelo/tarvelo-priv).
status=0
"$grant" --help 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "tarvelo-grant took an argument (exit status $status)"
dtd=/usr/share/polkit-1/policyconfig-1.dtd
if [ -f "$dtd" ]; then
  xmllint --noout --dtdvalid "$dtd" "$policy" || fail "the polkit action does not follow polkit's DTD"
else
  xmllint --noout "$policy" || fail "the polkit action is no XML"
fi
policy_value() { xmllint --xpath "string($1)" "$policy" 2>/dev/null; }
[ "$(policy_value '//action/@id')" = "$app_id.grant-helper" ] || fail "the polkit action has another id"
[ "$(policy_value '//action/annotate[@key="org.freedesktop.policykit.exec.path"]')" = /usr/libexec/tarvelo/tarvelo-grant ] ||
  fail "the polkit action runs another program"
for default in allow_any allow_inactive allow_active; do
  [ "$(policy_value "//action/defaults/$default")" = auth_admin_keep ] || fail "the polkit action's $default"
done
policy_value '//action/message' | grep -q Tarvelo || fail "the polkit action's message does not name Tarvelo"

# The man page formats without a warning of groff or man.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/tarvelo.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the man page has warnings: $warnings"
man -l "$usr/share/man/man1/tarvelo.1.gz" 2>/dev/null | grep -q 'Config.ini' || fail "the man page does not format"

# The installed program prints and ends without a display.
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/tarvelo" --version) || fail "tarvelo --version failed"
[ "$output" = "tarvelo $version" ] || fail "tarvelo --version printed: $output"
env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/tarvelo" --help | grep -q '^Usage: tarvelo' || fail "tarvelo --help"

# The installed copy reads its settings from the user's configuration
# directory, never from beside itself: "Start with windows" set there writes
# the autostart entry at start-up.
home=$dest/home
mkdir -p "$home/config/tarvelo" "$home/system" && chmod 700 "$home"
printf '[Setting]\nAutorun=1\n' >"$home/config/tarvelo/Config.ini"
mkdir -m 700 "$home/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u TARVELO_CONFIG_DIR QT_QPA_PLATFORM=offscreen HOME="$home" \
  XDG_CONFIG_HOME="$home/config" XDG_CONFIG_DIRS="$home/system" XDG_RUNTIME_DIR="$home/runtime" \
  TARVELO_SITE_URL=http://127.0.0.1:1 timeout 120 "$usr/bin/tarvelo" --quit-when-shown >"$dest/run.log" 2>&1 ||
  { cat "$dest/run.log" >&2; fail "the installed program did not start and end"; }
entries=$(cat "$home/system/autostart/tarvelo.desktop" "$home/config/autostart/tarvelo.desktop" 2>/dev/null || true)
grep -q "$usr/bin/tarvelo" <<<"$entries" || fail "the installed program did not read the user's Config.ini"
[ ! -e "$usr/bin/Config.ini" ] || fail "the installed program wrote Config.ini beside itself"

[ $failures -eq 0 ] && echo "The installed files are complete and valid."
exit $((failures > 0))
