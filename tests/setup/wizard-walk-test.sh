#!/usr/bin/env bash
# End to end: the built setup program, driven through every page by xdotool, with the folder picked
# in its shell tree, installs the package
# byte for byte: every file its MANIFEST lists, and nothing else. PACKAGE_DIR is the package the build
# staged (build/<target>/package), the folder the payload was made from. The screenshots stay in
# SCREENS_DIR.
# usage: wizard-walk-test.sh UNPACK_EXE PACKAGE_DIR SCREENS_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -rf "$3"
"$here/../../scripts/walk-wizard" "$1" "$scratch/programs/picked" "$3" tree || exit 1
install="$scratch/programs/picked/Velto Shell Components D4"
failures=0
names=$(grep -v '^#' "$2/MANIFEST" | sed '/^$/d')
for name in $names; do
  cmp "$2/$name" "$install/$name" || failures=$((failures + 1))
done
[ "$(ls "$install" | wc -l)" -eq "$(wc -w <<<"$names")" ] || { echo "FAIL: extra or missing files"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "the wizard installed the package byte for byte"
exit $((failures > 0))
