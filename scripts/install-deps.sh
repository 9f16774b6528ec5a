#!/usr/bin/env bash
# Installs, from Debian's packages, everything Tarvelo needs to build, run and
# be tested. Does nothing when all of it is there already.
#
#   scripts/install-deps.sh             the Linux build, its tests and benchmarks
#   scripts/install-deps.sh --windows   also the 32-bit Windows cross build
#                                       (mingw-w64), NSIS for its installer
#                                       and Wine to test it; where
#                                       32-bit programs cannot run, wine64 and
#                                       the 64-bit cross build instead of Wine's
#                                       32-bit half
set -euo pipefail

windows=0
case "${1:-}" in
  "") ;;
  --windows) windows=1 ;;
  *) echo "usage: $0 [--windows]" >&2; exit 2 ;;
esac

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev libcap-dev libxcb1-dev libxcb-res0-dev libglib2.0-dev libsystemd-dev
  libfontconfig-dev
  # a JSON reader for what the sway, i3 and Hyprland sockets send
  nlohmann-json3-dev
  # the scalable icon (QSvgGenerator), the man page, the Debian package
  qt6-svg-dev gzip dpkg-dev file
  # tests and benchmarks; clang and its runtime for the libFuzzer harnesses
  # (g++ brings the AddressSanitizer and UBSan runtimes itself); stress-ng to
  # try the suite on a loaded machine
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev stress-ng
  # a private D-Bus for the stand-ins of the systemd user manager, KWin and
  # GNOME Shell
  dbus
  # a real headless Wayland compositor (sway) and a client for it (foot);
  # node runs the GNOME Shell extensions and the KWin script against stand-ins
  sway foot nodejs
  # setcap gives tarvelo-priv its capability in the tests; setpriv runs it as another user
  libcap2-bin util-linux
  # a private X display with a window manager and a tray host, and tools to drive it
  xvfb xauth openbox trayer xdotool x11-utils imagemagick
  # the private display's own session bus
  dbus-daemon
  # checks of the installed files and of the package
  desktop-file-utils appstream man-db lintian libcap2-bin libxml2-utils
  # the accessibility bus and a client of it, for reading what screen readers see
  at-spi2-core python3-pyatspi
  # a headless Wayland compositor and Qt's Wayland platform
  weston qt6-wayland
  # a real headless GNOME Shell that runs Tarvelo's Shell extension in the
  # tests (it brings gnome-extensions, and renders in software)
  gnome-shell
  # the program's fonts: metric-compatible stand-ins for Verdana and Arial
  fonts-dejavu-core fonts-liberation2
  # a real headless KWin (kwin_wayland --virtual) that loads the booster's
  # script; its clients are weston-terminal (package weston, above)
  kwin-wayland
  # a Linux system booted as a user program (no KVM), with systemd as PID 1:
  # the user manager, logind and cgroup v2 for the desktop stage
  user-mode-linux
)
wine32=0
if [ $windows -eq 1 ]; then
  packages+=(
    # the 32-bit Windows cross compilers (their -posix variants build GoogleTest)
    # and GoogleTest's sources to build with them: the 32-bit build is
    # compiled on every machine
    g++-mingw-w64-i686 googletest
    # makensis, for the installer of Tarvelo.exe
    nsis
  )
  if "$(dirname "$0")/runs-32bit.sh"; then
    wine32=1
    # Wine runs the Windows test suites; 32-bit programs need its i386 half
    packages+=(wine wine32:i386)
  else
    # No 32-bit program runs here, Wine's 32-bit loader included: the suites
    # are built for 64-bit Windows and run under wine64
    packages+=(g++-mingw-w64-x86-64 wine64)
  fi
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Wait for another apt run to finish rather than fail on its lock.
apt_options=(-o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)

needs_update=0
if [ $wine32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for wine32)"
  "${sudo[@]}" dpkg --add-architecture i386
  needs_update=1
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && [ $needs_update -eq 0 ] && exit 0

[ ${#missing[@]} -eq 0 ] || echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get "${apt_options[@]}" update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
"${sudo[@]}" apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}"
