#!/usr/bin/env bash
# End to end: the built setup program driven by xdotool. With "tree" (the default) the folder is
# picked in its shell tree with the mouse and the arrow keys, a folder named in four scripts
# (Cyrillic, Greek, Chinese and an emoji), which the program's UTF-8 code page shows and installs
# into under its real name; with "keys" the whole walk is done
# with the keyboard alone and the folder typed. Either way the wizard must install the package byte
# for byte: every file its MANIFEST lists, and nothing else. With "escape" Escape on each page in
# turn must end the program with nothing installed. PACKAGE_DIR is the package the build staged
# (build/<target>/package), the folder the payload was made from. The screenshots stay in SCREENS_DIR.
# usage: wizard-walk-test.sh UNPACK_EXE PACKAGE_DIR SCREENS_DIR [tree|keys|escape]
set -u
here=$(cd "$(dirname "$0")" && pwd)
mode=${4:-tree}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -rf "$3"
case "$mode" in
  tree) target="$scratch/programs/Жираф Καμηλοπάρδαλη 长颈鹿 🦒"; install="$target/Velto Shell Components D4" ;;
  keys) target="$scratch/programs/typed"; install="$target" ;;
  escape)
    source "$here/../../scripts/wine-env"
    proposal=("$WINEPREFIX/drive_c/Program Files"*"/Velto Shell Components D4")
    rm -rf "${proposal[@]}"
    "$here/../../scripts/walk-wizard" "$1" "$scratch/never" "$3" escape || exit 1
    left=$(ls -d "$WINEPREFIX/drive_c/Program Files"*"/Velto Shell Components D4" "$scratch/never" 2>/dev/null)
    [ -z "$left" ] || { echo "FAIL: Escape left an install behind: $left"; exit 1; }
    echo "Escape ended the wizard on every page, with nothing installed"
    exit 0 ;;
  *) echo "usage: wizard-walk-test.sh UNPACK_EXE PACKAGE_DIR SCREENS_DIR [tree|keys|escape]"; exit 2 ;;
esac
"$here/../../scripts/walk-wizard" "$1" "$target" "$3" "$mode" || exit 1
failures=0
names=$(grep -v '^#' "$2/MANIFEST" | sed '/^$/d')
for name in $names; do
  cmp "$2/$name" "$install/$name" || failures=$((failures + 1))
done
[ "$(ls "$install" | wc -l)" -eq "$(wc -w <<<"$names")" ] || { echo "FAIL: extra or missing files"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "the wizard installed the package byte for byte"
exit $((failures > 0))
