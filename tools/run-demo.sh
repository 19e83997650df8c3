#!/usr/bin/env bash
# Runs the demo under Wine: a printer driver's session with ZVLMN30E.dll and
# the sample driver module, on an empty catalogue in a fresh directory, under
# the Wine of the tree's bitness. The demo has a Wine prefix of its own in
# the build tree.
set -euo pipefail
build=${1:-build/mingw64}
build=$(cd "$build" && pwd)
. "$(dirname "$0")/wine-prefix.sh"
arch=$(zv_tree_wine_arch "$build")
[ -n "$arch" ] || { echo "demo: $build is not a configured Windows build tree (no wine-run.sh)" >&2; exit 1; }
export WINEPREFIX="$build/demo-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
zv_select_wine "$arch"
[ -f "$WINEPREFIX/.initialised" ] || echo "(making the demo's Wine prefix once, $arch)"
zv_prepare_prefix || { echo "demo: the Wine prefix could not be made; see above" >&2; exit 1; }
catalogue="$build/demo-catalogue"
rm -rf "$catalogue"
mkdir -p "$catalogue"
cd "$build"
status=0
"$ZV_WINE" zv_demo.exe "Z:${catalogue//\//\\}" || status=$?
wineserver -k 2>/dev/null || true
[ "$status" -eq 0 ] || echo "demo: zv_demo.exe ended with status $status" >&2
exit $status
