#!/usr/bin/env bash
# Tells whether this machine executes 32-bit x86 code: a tiny 32-bit Linux
# program (made here byte by byte: it only exits with status 42) and the
# 32-bit Wine loader (its version). Exits 0 and prints "yes" when both run,
# else exits 1 and prints "no", with the reason on standard error. Many
# kernels of servers and CI runners are built without IA-32 emulation, or
# have it switched off; there both end with "Exec format error".
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ELF header, one loadable segment at 0x08048000, and the code at offset 84:
# mov eax, 1; mov ebx, 42; int 0x80 (exit(42)).
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$work/probe32"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$work/probe32"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00' >>"$work/probe32"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$work/probe32"
printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$work/probe32"
printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$work/probe32"
chmod +x "$work/probe32"

"$work/probe32" 2>"$work/err"
status=$?
if [ "$status" -ne 42 ]; then
  echo "probe-32bit: a 32-bit program does not run here: $(head -c 200 "$work/err" | tr '\n' ' ')(status $status)" >&2
  echo no
  exit 1
fi

# The 32-bit loader, as Debian's wine wrapper would start it.
loader=/usr/lib/wine/wine
[ -e "$loader" ] || loader=$(command -v wine || true)
if [ -z "$loader" ]; then
  echo "probe-32bit: no 32-bit Wine is installed" >&2
  echo no
  exit 1
fi
version=$("$loader" --version 2>&1)
if [[ "$version" != wine-* ]]; then
  echo "probe-32bit: the 32-bit Wine loader does not start: $(printf '%s' "$version" | head -c 200 | tr '\n' ' ')" >&2
  echo no
  exit 1
fi
echo yes
