#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 Linux programs (which Wine's
# 32-bit loader is), 1 when it cannot: kernels built without IA-32 emulation,
# or with it switched off, refuse them with "Exec format error".
set -euo pipefail
dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-i386.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# The smallest i386 ELF program: one loadable segment whose code is
# exit(0) through int 0x80.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80\x00\x00\x00' >"$dir/probe"
chmod +x "$dir/probe"
"$dir/probe" 2>/dev/null && exit 0
# A directory mounted noexec refuses every program: then the answer says
# nothing about 32-bit ones.
printf '#!/bin/sh\nexit 0\n' >"$dir/control"
chmod +x "$dir/control"
if ! "$dir/control" 2>/dev/null; then
  echo "$0: cannot run programs in ${TMPDIR:-/tmp} (noexec?); taking it that 32-bit programs do not run" >&2
fi
exit 1
