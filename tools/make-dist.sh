#!/usr/bin/env bash
# Makes the package of ZVLMN30E from configured release build trees of the
# Windows module, one per bitness: builds what it ships, takes the pictures
# of the dialogs, and writes <out>/ZVLMN30E-<version>/ and
# <out>/ZVLMN30E-<version>.zip, with x86/ and x64/ each holding the module,
# its import libraries, the sample driver module with its ZVSAMPLE.INI and
# zvcat. The version is the one the build trees were configured with (their
# version.txt). The pictures come from the 32-bit module where this machine
# executes 32-bit code (EXEC32=yes), else from the 64-bit one.
#
# Usage: tools/make-dist.sh <release i686 tree> <release x86-64 tree> <output directory> [jobs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build32=${1:?release i686 build tree}
build64=${2:?release x86-64 build tree}
out=${3:?output directory}
jobs=${4:-2}

fail() {
  echo "make dist: $*" >&2
  exit 1
}

# The integration guide is part of the package: no package without it.
[ -f "$root/docs/INTEGRATION.md" ] ||
  fail "docs/INTEGRATION.md is missing; the package needs the integration guide"

version=
for build in "$build32" "$build64"; do
  cmake --build "$build" -j "$jobs" --target ZVLMN30E ZVLMN30E_english ZVSAMPLE zvcat zv_screenshots \
    ZVLMN30E_importlibs || fail "building $build failed"
  v=$(tr -d '[:space:]' <"$build/version.txt")
  [[ "$v" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no version in $build/version.txt"
  [ -z "$version" ] || [ "$v" = "$version" ] || fail "$build32 and $build64 were configured with other versions"
  version=$v
  [ -f "$build/lib/ZVLMN30E.lib" ] || fail "no ZVLMN30E.lib in $build: llvm-dlltool is needed (Debian package llvm)"
done
build32=$(cd "$build32" && pwd)
build64=$(cd "$build64" && pwd)

mkdir -p "$out"
out=$(cd "$out" && pwd)
name=ZVLMN30E-$version
stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"/{include,sample,screenshots,docs}

hex=$(mktemp)
trap 'rm -f "$hex"' EXIT
IFS=. read -r major minor patch <<<"$version"
le_word() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }

# One bitness: the modules and the tool, stripped of their symbols, checked
# for their machine type and version resource, and the import libraries
# with the .def they were made of.
stage_bitness() {
  local build=$1 dir=$2 triplet=$3 format=$4
  mkdir -p "$stage/$dir/lib"
  cp "$build/ZVLMN30E.dll" "$stage/$dir/ZVLMN30E.DLL"
  cp "$build/ZVSAMPLE.dll" "$stage/$dir/ZVSAMPLE.DLL"
  # The sample module reads its answers from the file beside it.
  cp "$root/src/driverlink/sample_driver/ZVSAMPLE.INI" "$stage/$dir/ZVSAMPLE.INI"
  cp "$build/zvcat.exe" "$stage/$dir/zvcat.exe"
  "$triplet-strip" "$stage/$dir/ZVLMN30E.DLL" "$stage/$dir/ZVSAMPLE.DLL" "$stage/$dir/zvcat.exe"
  local file
  for file in ZVLMN30E.DLL ZVSAMPLE.DLL zvcat.exe; do
    [[ "$("$triplet-objdump" -f "$stage/$dir/$file")" == *"file format $format"* ]] ||
      fail "$dir/$file is not a $format image"
  done

  # The version resource of the shipped DLL carries the package's version:
  # VS_FIXEDFILEINFO (signature 0xFEEF04BD, then the structure version
  # 0x00010000) holds the file version as major.minor and patch.build words.
  od -An -v -tx1 "$stage/$dir/ZVLMN30E.DLL" | tr -d ' \n' >"$hex"
  local fixed text
  fixed="bd04effe00000100$(le_word "$minor")$(le_word "$major")$(le_word 0)$(le_word "$patch")"
  grep -q "$fixed" "$hex" || fail "$dir/ZVLMN30E.DLL's VERSIONINFO does not carry the file version $version"
  # And its version texts (FileVersion, ProductVersion) say it too, in UTF-16.
  text=$(printf '%s.0' "$version" | iconv -f ASCII -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
  [ "$(grep -o "$text" "$hex" | wc -l)" -ge 2 ] || fail "$dir/ZVLMN30E.DLL's VERSIONINFO texts do not say $version.0"

  cp "$build/lib/ZVLMN30E.lib" "$build/lib/libZVLMN30E.dll.a" "$build/lib/ZVLMN30E.def" "$stage/$dir/lib/"
}
stage_bitness "$build32" x86 i686-w64-mingw32 pei-i386
stage_bitness "$build64" x64 x86_64-w64-mingw32 pei-x86-64

# The headers, one set for both bitnesses.
cp "$root/include/zvlmn30e.h" "$root/include/zvlmn30e_driver.h" "$root/include/zvlmn30e_types.h" "$stage/include/"

# The sample printer driver module's source.
cp "$root/src/driverlink/sample_driver/"{sample_driver.cpp,ZVSAMPLE.def,ZVSAMPLE.INI} "$stage/sample/"

cp "$root/docs/INTEGRATION.md" "$stage/docs/"

# Every dialog in both resource sets: as many pictures as the program says
# it wrote, the same dialogs in each set.
build=$build64
[ "${EXEC32:-no}" = yes ] && build=$build32
echo "make dist: the pictures from $build"
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
for 32-bit (x86) and 64-bit (x64) Windows.

x86/, x64/          one directory per bitness, each with:
  ZVLMN30E.DLL        the module (14 stdcall exports under undecorated names)
  lib/ZVLMN30E.lib    import library for MSVC (and lld-link)
  lib/libZVLMN30E.dll.a
                      import library for mingw-w64
  lib/ZVLMN30E.def    the exports the import libraries were made of: with
                      their stdcall decoration (Name@N) for x86, plain for x64
  ZVSAMPLE.DLL        a sample printer driver module, source in sample/
  ZVSAMPLE.INI        what the sample module answers, for any device name;
                      it reads the file beside itself
  zvcat.exe           the catalogue inspector
include/            zvlmn30e.h, the exports and the driver settings block;
                    zvlmn30e_driver.h, the entry points the module looks up
                    in the printer driver's module and the block of paper
                    tables they fill; zvlmn30e_types.h, their types. One set
                    for both bitnesses: the records take the layout of the
                    target they are compiled for.
screenshots/        every dialog, in the local and the English resource set
docs/INTEGRATION.md how a printer driver uses the module, both layouts

A 32-bit driver compiled with zvlmn30e.h refers to the exports as _Name@N
and a 64-bit one as Name; the import libraries of each bitness resolve
these to the DLL's undecorated names. MANIFEST.txt lists every file with its
size and SHA-256.
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
