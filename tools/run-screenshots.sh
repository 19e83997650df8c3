#!/usr/bin/env bash
# Pictures every dialog of ZVLMN30E.dll in both resource sets: runs
# zv_screenshots under Wine, once with the local module and once with the
# build that shows the English set, on an X server of its own, and leaves one
# PNG per dialog and set in the output directory. The pictures have a Wine
# prefix of their own in the build tree.
#
# Usage: tools/run-screenshots.sh [mingw build tree] [output directory]
set -euo pipefail
build=${1:-build/mingw}
out=${2:-build/screenshots}
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/*.png

export WINEPREFIX="$build/screenshots-prefix"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# An X server of our own on a free display number; it goes when we do.
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

# Whatever an earlier run left of this prefix's Wine goes first.
wineserver -k 2>/dev/null || true
. "$(dirname "$0")/wine-prefix.sh"
[ -f "$WINEPREFIX/.initialised" ] || echo "(making the screenshots' Wine prefix once)"
zv_prepare_prefix

status=0
cd "$build"
for set in local english; do
  # The program prints the dialogs' titles in the Windows code page.
  wine zv_screenshots.exe "Z:${out//\//\\}" "$set" | iconv -f CP1252 -t UTF-8 || status=$?
done
echo "Pictures in $out:"
ls -1 "$out"
exit $status
