#!/usr/bin/env bash
# Cross-builds Tarvelo.exe, its installer and portable zip, the platform layer
# and every Qt-free suite for Windows (mingw-w64), and runs the suites under
# Wine, in a throw-away Wine prefix. 32-bit Windows is the target: its build
# (build/win32, or $TARVELO_BUILD_DIR/win32) is compiled and packaged on every
# machine, and its suites run under Wine where the machine can run 32-bit
# programs. Where it cannot (a kernel without IA-32 emulation), everything is
# also built for 64-bit Windows (build/win64) and run under wine64 instead.
#
# Two stages: the suites on Wine's null graphics driver, without a display;
# then the GUI suites (label wine-gui: Tarvelo.exe and its installer) on
# Wine's X11 driver, on a private X display with a window manager and a tray
# host (scripts/xsession.sh). Extra arguments go to both ctest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${TARVELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" --windows

# cross_build DIR TRIPLET
cross_build() {
  cmake -S "$root" -B "$1" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELO_BUILD_GUI=OFF -DTARVELO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$1" --parallel "$(nproc)"
  # The installer and the zip, in DIR/packages.
  (cd "$1" && cpack >/dev/null)
  echo "Packages: $(cd "$1/packages" && ls Tarvelo-*.exe Tarvelo-*.zip | tr '\n' ' ')"
}

# tool NAME...: the path of the first of these programs that is installed.
# Debian keeps wine64's loader and server in /usr/lib/wine, out of PATH.
tool() {
  local name
  for name; do PATH=$PATH:/usr/lib/wine command -v "$name" && return; done
  echo "$0: none of $* is installed" >&2
  return 1
}

cross_build "$builds/win32" i686-w64-mingw32
if "$root/scripts/runs-32bit.sh"; then
  echo "Windows suites: i686 under wine (32-bit)"
  build=$builds/win32
  export WINEARCH=win32
  wine=$(tool wine)
  wineserver=$(tool wineserver)
else
  echo "Windows suites: x86-64 under wine64 (this machine cannot run 32-bit programs; the i686 build is compiled, not run)"
  cross_build "$builds/win64" x86_64-w64-mingw32
  build=$builds/win64
  export WINEARCH=win64
  # The 64-bit loader itself, never the wine script: that one picks the 32-bit
  # loader whenever wine32 is installed, runnable or not.
  wine=$(tool wine64)
  wineserver=$(tool wineserver64 wineserver)
  # The loader and the server of every Wine process of the run, the ones the
  # tests start included.
  export WINELOADER=$wine WINESERVER=$wineserver
fi

# A fresh prefix for this run only, quiet, without the offers to install Mono
# and Gecko.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-wine.XXXXXX")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
xsession=$WINEPREFIX.x
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  "$root/scripts/xsession.sh" stop "$xsession" >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$xsession"
}
trap cleanup EXIT

echo "Wine prefix: $WINEPREFIX"
"$wine" wineboot --init </dev/null >/dev/null 2>&1
# Windows without a display: Wine's null graphics driver keeps windows and the
# foreground window working where no X server is.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
# A server that stays, and Wine's services started before the tests, away
# from ctest's output: the first test would otherwise start them in the
# background, and they would hold ctest's output open until the server ends.
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" wineboot </dev/null >/dev/null 2>&1

ctest --test-dir "$build" --output-on-failure --timeout 300 --parallel "$(nproc)" -LE wine-gui "$@"

# The GUI stage: Wine's X11 driver on a private display with a tray host.
gui_started=$SECONDS
echo "Windows GUI suites: Wine's X11 driver on a private X display"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
DISPLAY=$("$root/scripts/xsession.sh" start "$xsession" | tail -n 1)
DBUS_SESSION_BUS_ADDRESS=$(cat "$xsession/bus")
export DISPLAY DBUS_SESSION_BUS_ADDRESS
"$wine" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" wineboot </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure --timeout 300 -L wine-gui "$@"
echo "Windows GUI stage: $((SECONDS - gui_started)) s"
