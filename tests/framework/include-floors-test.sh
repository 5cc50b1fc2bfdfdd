#!/usr/bin/env bash
# The framework is built in floors: a file includes only its own unit's header and headers of lower
# floors, so no file reaches up and no two units include each other.
# usage: include-floors-test.sh FRAMEWORK-DIR
set -u
declare -A floor=(
  [Exceptions]=0 [Scope]=0 [ComPtr]=0 [TreeControl]=0 [AnsiText]=0
  [Properties]=1 [InterfacedObject]=1 [UtilityWindow]=1
  [StringList]=2 [FormText]=2 [Graphics]=2 [Cursors]=2 [Component]=2
  [Menus]=3 [FormReader]=3
  # the control unit's sources split by topic: each includes the one header Controls.h
  [Controls]=4 [ControlLayout]=4 [ControlProperties]=4 [WindowClasses]=4
  [StdCtrls]=5 [ExtCtrls]=5 [ComCtrls]=5 [TreeView]=5 [ListView]=5 [ComboBox]=5 [Forms]=5
  [FrameworkClasses]=6
)
failed=0
for file in "$1"/*.h "$1"/*.cpp; do
  unit=$(basename "${file%.*}")
  [ -n "${floor[$unit]:-}" ] || { echo "FAIL: $unit has no floor"; failed=1; continue; }
  while read -r header; do
    used=${header%.h}
    [ "$used" = "$unit" ] && continue
    if [ -z "${floor[$used]:-}" ]; then
      echo "FAIL: $(basename "$file") includes $header, which is not a framework header"; failed=1
    elif [ "${floor[$used]}" -ge "${floor[$unit]}" ] && ! { [ "$used" = Controls ] && [ "${floor[$unit]}" -eq 4 ]; }; then
      echo "FAIL: $(basename "$file") (floor ${floor[$unit]}) includes $header (floor ${floor[$used]})"; failed=1
    fi
  done < <(sed -n 's/^#include "\([^"/]*\)".*/\1/p' "$file")
done
[ "$failed" -eq 0 ] && echo "every framework include goes to a lower floor"
exit "$failed"
