#!/usr/bin/env bash
# Builds both Windows programs and writes the download, Quarvel-<version>-windows.zip: Quarvel.exe
# (i686), Quarvel64.exe (x86_64), the trace viewer debughelper.exe (i686, so it runs on either Windows)
# and README.txt (docs/windows-guide.txt with Windows line ends). The same commit gives the same bytes:
# the programs carry no link time, and the zip no dates, owners or extra fields.
#   tools/package.sh [out-dir]      default build/package; needs the machine set up by tools/test-all.sh
set -euo pipefail
out=${1:-$(dirname "$0")/../build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' res/Quarvel.rc)
[ -n "$version" ] || { echo "package: no FILEVERSION in res/Quarvel.rc" >&2; exit 1; }

for preset in win32 win64; do
  echo "package: building the $preset preset"
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset --target Quarvel debughelper -j2 >/dev/null
done

stage=$out/stage
rm -rf "$stage"
mkdir -p "$stage"
cp build/win32/app/Quarvel.exe build/win64/app/Quarvel64.exe build/win32/tools/debughelper/debughelper.exe "$stage/"
sed 's/$/\r/' docs/windows-guide.txt >"$stage/README.txt"
chmod 644 "$stage"/*
TZ=UTC0 touch -t 200001010000 "$stage"/*
zip=$out/Quarvel-$version-windows.zip
rm -f "$zip"
(cd "$stage" && TZ=UTC0 zip -X -D -q -9 "$zip" Quarvel.exe Quarvel64.exe README.txt debughelper.exe)
rm -rf "$stage"
echo "package: $zip"
unzip -l "$zip" | sed 's/^/  /'
