#!/usr/bin/env bash
# Installs, from Debian's packages, everything Tarvelo needs to build, run and
# be tested. Does nothing when all of it is there already.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev libcap-dev libxcb1-dev libxcb-res0-dev libglib2.0-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a private X display with a window manager and a tray host, and tools to drive it
  xvfb xauth openbox trayer xdotool x11-utils imagemagick
  # the program's fonts: metric-compatible stand-ins for Verdana and Arial
  fonts-dejavu-core fonts-liberation2
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Wait for another apt run to finish rather than fail on its lock.
apt_options=(-o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)
"${sudo[@]}" apt-get "${apt_options[@]}" update -qq
"${sudo[@]}" apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}"
