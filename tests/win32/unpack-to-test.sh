#!/usr/bin/env bash
# The Windows restore program, run under Wine, restores its embedded package byte for byte: every
# file of PACKAGE_DIR's MANIFEST, and nothing else. PACKAGE_DIR is the package the build staged
# (build/<target>/package), the folder the payload was made from.
# usage: unpack-to-test.sh UNPACK_TO_EXE PACKAGE_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$here/../../scripts/wine-run" "$1" "Z:${scratch//\//\\}\\restored" || { echo "FAIL: unpack-to exited $?"; exit 1; }
failures=0
while read -r name; do
  case "$name" in ''|'#'*) continue;; esac
  cmp "$2/$name" "$scratch/restored/$name" || failures=$((failures + 1))
done <"$2/MANIFEST"
[ "$(ls "$scratch/restored" | wc -l)" -eq "$(grep -cv '^#' "$2/MANIFEST")" ] || { echo "FAIL: extra or missing files"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "restored package: identical"
exit $((failures > 0))
