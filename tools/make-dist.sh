#!/usr/bin/env bash
# Makes the package of ZVLMN30E from a configured release build tree of the
# Windows module: builds what it ships, takes the pictures of the dialogs,
# and writes <out>/ZVLMN30E-<version>/ and <out>/ZVLMN30E-<version>.zip. The
# version is the one the build tree was configured with (its version.txt).
#
# Usage: tools/make-dist.sh <release mingw build tree> <output directory> [jobs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?release build tree}
out=${2:?output directory}
jobs=${3:-2}
strip=i686-w64-mingw32-strip
objdump=i686-w64-mingw32-objdump

fail() {
  echo "make dist: $*" >&2
  exit 1
}

# The integration guide is part of the package: no package without it.
[ -f "$root/docs/INTEGRATION.md" ] ||
  fail "docs/INTEGRATION.md is missing; the package needs the integration guide"

cmake --build "$build" -j "$jobs" --target ZVLMN30E ZVLMN30E_english ZVSAMPLE zvcat zv_screenshots \
  ZVLMN30E_importlibs
build=$(cd "$build" && pwd)
version=$(tr -d '[:space:]' <"$build/version.txt")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no version in $build/version.txt"
[ -f "$build/lib/ZVLMN30E.lib" ] || fail "no ZVLMN30E.lib: llvm-dlltool is needed (Debian package llvm)"

mkdir -p "$out"
out=$(cd "$out" && pwd)
name=ZVLMN30E-$version
stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"/{include,lib,sample,screenshots,docs}

# The modules and the tool, stripped of their symbols.
cp "$build/ZVLMN30E.dll" "$stage/ZVLMN30E.DLL"
cp "$build/ZVSAMPLE.dll" "$stage/ZVSAMPLE.DLL"
cp "$build/zvcat.exe" "$stage/zvcat.exe"
"$strip" "$stage/ZVLMN30E.DLL" "$stage/ZVSAMPLE.DLL" "$stage/zvcat.exe"

# The version resource of the shipped DLL carries the package's version:
# VS_FIXEDFILEINFO (signature 0xFEEF04BD, then the structure version
# 0x00010000) holds the file version as major.minor and patch.build words.
IFS=. read -r major minor patch <<<"$version"
le_word() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
hex=$(mktemp)
trap 'rm -f "$hex"' EXIT
od -An -v -tx1 "$stage/ZVLMN30E.DLL" | tr -d ' \n' >"$hex"
fixed="bd04effe00000100$(le_word "$minor")$(le_word "$major")$(le_word 0)$(le_word "$patch")"
grep -q "$fixed" "$hex" || fail "ZVLMN30E.DLL's VERSIONINFO does not carry the file version $version"
# And its version texts (FileVersion, ProductVersion) say it too, in UTF-16.
text=$(printf '%s.0' "$version" | iconv -f ASCII -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
[ "$(grep -o "$text" "$hex" | wc -l)" -ge 2 ] || fail "ZVLMN30E.DLL's VERSIONINFO texts do not say $version.0"
[[ "$("$objdump" -f "$stage/ZVLMN30E.DLL")" == *"file format pei-i386"* ]] || fail "ZVLMN30E.DLL is not a 32-bit PE image"

# The header, the import libraries and the decorated names they were made of.
cp "$root/include/zvlmn30e.h" "$root/include/zvlmn30e_driver.h" "$stage/include/"
cp "$build/lib/ZVLMN30E.lib" "$build/lib/libZVLMN30E.dll.a" "$build/lib/ZVLMN30E.def" "$stage/lib/"

# The sample printer driver module's source.
cp "$root/src/driverlink/sample_driver/"{sample_driver.cpp,ZVSAMPLE.def,ZVSAMPLE.INI} "$stage/sample/"

cp "$root/docs/INTEGRATION.md" "$stage/docs/"

# Every dialog in both resource sets: as many pictures as the program says
# it wrote, the same dialogs in each set.
"$root/tools/run-screenshots.sh" "$build" "$build/screenshots" | tee "$build/screenshots.log"
written=$(sed -n 's/^\([0-9][0-9]*\) pictures written.*/\1/p' "$build/screenshots.log" | awk '{s += $1} END {print s + 0}')
shopt -s nullglob
pictures=("$build"/screenshots/*.png)
local_set=("$build"/screenshots/local_*.png)
english_set=("$build"/screenshots/english_W_*.png)
[ "$written" -gt 0 ] && [ ${#pictures[@]} -eq "$written" ] ||
  fail "the screenshots program wrote $written pictures, $build/screenshots holds ${#pictures[@]}"
[ ${#local_set[@]} -eq ${#english_set[@]} ] && [ $((${#local_set[@]} * 2)) -eq ${#pictures[@]} ] ||
  fail "not the same dialogs in both sets: ${#local_set[@]} local, ${#english_set[@]} English pictures"
cp "${pictures[@]}" "$stage/screenshots/"

cat >"$stage/README.txt" <<EOF
ZVLMN30E $version: the form-overlay manager of the ZEVRO page-printer driver,
for 32-bit Windows.

ZVLMN30E.DLL        the module (14 stdcall exports under undecorated names)
include/            zvlmn30e.h, the exports; zvlmn30e_driver.h, the entry
                    points the module looks up in the printer driver's module
lib/ZVLMN30E.lib    import library for MSVC (and lld-link)
lib/libZVLMN30E.dll.a
                    import library for mingw-w64
lib/ZVLMN30E.def    the exports with their stdcall decoration (Name@N), from
                    which both import libraries were made
ZVSAMPLE.DLL        a sample printer driver module, source in sample/
zvcat.exe           the catalogue inspector
screenshots/        every dialog, in the local and the English resource set
docs/INTEGRATION.md how a printer driver uses the module

A driver compiled with zvlmn30e.h refers to the exports as _Name@N; both
import libraries resolve these to the DLL's undecorated names. MANIFEST.txt
lists every file with its size and SHA-256.
EOF

(
  cd "$stage"
  find . -type f ! -name MANIFEST.txt | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
    printf '%s  %10d  %s\n' "$(sha256sum "$file" | cut -d' ' -f1)" "$(stat -c %s "$file")" "$file"
  done >MANIFEST.txt
)

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "Package $out/$name.zip:"
(cd "$out" && find "$name" -type f | LC_ALL=C sort)
