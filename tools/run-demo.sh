#!/usr/bin/env bash
# Runs the demo under Wine: a printer driver's session with ZVLMN30E.dll and
# the sample driver module, on an empty catalogue in a fresh directory. The
# demo has a Wine prefix of its own in the build tree.
set -euo pipefail
build=${1:-build/mingw}
build=$(cd "$build" && pwd)
export WINEPREFIX="$build/demo-prefix"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/wine-prefix.sh"
[ -f "$WINEPREFIX/.initialised" ] || echo "(making the demo's Wine prefix once)"
zv_prepare_prefix
catalogue="$build/demo-catalogue"
rm -rf "$catalogue"
mkdir -p "$catalogue"
cd "$build"
status=0
wine zv_demo.exe "Z:${catalogue//\//\\}" || status=$?
wineserver -k 2>/dev/null || true
exit $status
