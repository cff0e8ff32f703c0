#!/usr/bin/env bash
# Unpacks the download and runs one end-to-end scenario with one of its programs, taken from the unpacked
# folder as a user takes it.
#   run-unpacked.sh <package-dir> <tools-build-dir> <program> <scenario>.steps
# The test programs come from <tools-build-dir>, built for the program's machine; E2E_WINDOWS as run-e2e.sh.
set -euo pipefail
package_dir=$1 build=$2 program=$3
zip=$(echo "$package_dir"/Quarvel-*-windows.zip)
[ -f "$zip" ] || { echo "package: not one zip in $package_dir (run package.zip first)" >&2; exit 2; }
unpacked=$(mktemp -d "$package_dir/unpacked.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
[ "$(cd "$unpacked" && LC_ALL=C ls | tr '\n' ' ')" = "Quarvel.exe Quarvel64.exe README.txt debughelper.exe " ] ||
  { echo "package: the zip holds $(ls "$unpacked")" >&2; exit 1; }
"$(dirname "$0")/../e2e/run-e2e.sh" "$build" "$unpacked/$program" "$4"
