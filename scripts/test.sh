#!/usr/bin/env bash
# Sets up, builds and runs every test: the logic and widget suites and the
# end-to-end suite on a private X display, which the tests start and stop;
# then, as root, the desktop stage: the program on a systemd desktop in a
# Linux system booted under User-mode Linux (scripts/test-desktop.sh);
# then the Windows build of the platform layer and of the Qt-free suites
# (scripts/test-windows.sh): the 32-bit build is always compiled, and its
# suites run under Wine, or, where this machine cannot run 32-bit programs,
# the same suites built for 64-bit Windows run under wine64; then, as root or
# with sudo, the Debian package (scripts/test-package.sh), which installs and
# removes it; then the suites again under AddressSanitizer and
# UndefinedBehaviorSanitizer with the fuzz corpus replayed
# (scripts/test-sanitizers.sh; TARVELO_SANITIZERS=0 leaves that out). Extra
# arguments go to every ctest run and leave the desktop stage and the package
# out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
status=0
ctest --test-dir "$build" --output-on-failure --timeout 600 --parallel "$(nproc)" "$@" || status=$?
[ $# -gt 0 ] || "$root/scripts/test-desktop.sh" || status=$?
"$root/scripts/test-windows.sh" "$@" || status=$?
# After every suite, as installing the package changes the machine.
[ $# -gt 0 ] || "$root/scripts/test-package.sh" || status=$?
if [ "${TARVELO_SANITIZERS:-1}" != 0 ]; then
  "$root/scripts/test-sanitizers.sh" "$@" || status=$?
fi
exit $status
