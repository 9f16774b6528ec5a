#!/usr/bin/env bash
# Checks that every include of src/ points down the layers, never up or
# sideways. The layers of src/, top to bottom; a file includes from its own
# folder and from folders of lower layers only:
#
#   winapp                              the Windows program, over the Qt-free
#                                       parts of app (its command line, the
#                                       start options)
#   app priv grant                      the programs
#   boost cpulimit memory monitor tray  the features, which do not know each other
#   button                              the Command button
#   widgets winui                       building blocks of every view: Qt, Win32
#   raster settings forms               the pixel surface; Config.ini and its keys;
#                                       what every window holds
#   platform                            the operating system behind interfaces
#   common                              helpers of every layer
#
# Inside platform, the interfaces and the chooser (src/platform/*) name no
# backend, and the backends (linux/, win32/, fake/) do not know each other.
# Prints each include that breaks a rule and exits 1 if there is one.
#
#   scripts/check-layers.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
layers=(
  "winapp"
  "app priv grant"
  "boost cpulimit memory monitor tray"
  "button"
  "widgets winui"
  "raster settings forms"
  "platform"
  "common"
)
declare -A rank
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

broken=0
complain() {
  echo "$1: includes \"$2\": $3"
  broken=1
}
cd "$root/src"
while IFS= read -r file; do
  folder=${file%%/*}
  if [ -z "${rank[$folder]+set}" ]; then
    complain "src/$file" "" "src/$folder is in no layer of scripts/check-layers.sh"
    continue
  fi
  while IFS= read -r target; do
    to=${target%%/*}
    [ "$to" = "$target" ] && continue  # a file of the same folder
    [ -z "${rank[$to]+set}" ] && { complain "src/$file" "$target" "no such layer"; continue; }
    if [ "$to" != "$folder" ] && [ "${rank[$to]}" -le "${rank[$folder]}" ]; then
      complain "src/$file" "$target" "src/$to is not below src/$folder"
    fi
    if [ "$folder" = platform ] && [ "$to" = platform ]; then
      from_backend=$(cut -d/ -f2 <<<"$file")
      to_backend=$(cut -d/ -f2 <<<"$target")
      [ "${file#platform/*/}" = "$file" ] && from_backend=""  # an interface
      [ "${target#platform/*/}" = "$target" ] && to_backend=""
      if [ -n "$to_backend" ] && [ "$to_backend" != "$from_backend" ]; then
        complain "src/$file" "$target" "only platform/$to_backend itself knows that backend"
      fi
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort)
exit "$broken"
