#!/usr/bin/env bash
# Cross-builds the platform layer and every Qt-free suite for 32-bit Windows
# (mingw-w64) into build/win32 (or $TARVELO_BUILD_DIR/win32) and runs the
# suites under Wine, in a throw-away Wine prefix. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}/win32
"$root/scripts/install-deps.sh" --windows

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELO_BUILD_GUI=OFF -DTARVELO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# A fresh 32-bit prefix for this run only, quiet, without the offers to
# install Mono and Gecko.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-wine.XXXXXX")
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

echo "Wine prefix: $WINEPREFIX"
wineboot --init </dev/null >/dev/null 2>&1
# Windows without a display: Wine's null graphics driver keeps windows and the
# foreground window working where no X server is.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w
# A server that stays, and Wine's services started before the tests, away
# from ctest's output: the first test would otherwise start them in the
# background, and they would hold ctest's output open until the server ends.
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1

ctest --test-dir "$build" --output-on-failure --timeout 300 --parallel "$(nproc)" "$@"
