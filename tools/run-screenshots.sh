#!/usr/bin/env bash
# Pictures every dialog of ZVLMN30E.dll in both resource sets: runs
# zv_screenshots under Wine, once with the local module and once with the
# build that shows the English set, on an X server of its own, and leaves one
# PNG per dialog and set in the output directory. The pictures have a Wine
# prefix of their own in the build tree.
#
# Usage: tools/run-screenshots.sh [mingw build tree] [output directory]
set -euo pipefail
build=${1:-build/mingw64}
out=${2:-build/screenshots}
build=$(cd "$build" && pwd)
. "$(dirname "$0")/wine-prefix.sh"
arch=$(zv_tree_wine_arch "$build")
[ -n "$arch" ] || { echo "screenshots: $build is not a configured Windows build tree (no wine-run.sh)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/*.png

export WINEPREFIX="$build/screenshots-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
zv_select_wine "$arch"

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
  echo "screenshots: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

# Whatever an earlier run left of this prefix's Wine goes first.
wineserver -k 2>/dev/null || true
[ -f "$WINEPREFIX/.initialised" ] || echo "(making the screenshots' Wine prefix once, $arch)"
zv_prepare_prefix || { echo "screenshots: the Wine prefix could not be made; see above" >&2; exit 1; }

status=0
cd "$build"
for set in local english; do
  # The program prints the dialogs' titles in the Windows code page.
  "$ZV_WINE" zv_screenshots.exe "Z:${out//\//\\}" "$set" | iconv -f CP1252 -t UTF-8 || status=$?
done
[ "$status" -eq 0 ] || echo "screenshots: zv_screenshots.exe failed (status $status)" >&2
echo "Pictures in $out:"
ls -1 "$out"
exit $status
