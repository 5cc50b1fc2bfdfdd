#!/usr/bin/env bash
# End to end: the demo program under Wine shows the desktop in its tree and, through the registered
# messages, its items in the list; a double click on a folder of the list moves the tree there and
# the list follows; Alt+F4 ends the program with exit code 0. The screenshot stays in SCREENS_DIR.
# usage: demo-test.sh VELTODEMO_EXE SCREENS_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
exe=$1
screens=$2
mkdir -p "$screens"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

fail() {
  echo "FAIL: $*"
  import -window root "$screens/demo-failure.png" 2>/dev/null
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  cat "$log"
  exit 1
}
source "$here/demo-window.sh"

demo_start "$exe"
demo_desktop_listed
first=$listed
sleep 0.5
import -window "$win" "$screens/demo.png"

# The second row of the list is a folder (folders come first, and the desktop holds several): a
# double click on it asks the tree to select it, and the tree's selection comes back to the list.
# Without a window manager the X window is the whole frame: the client area is found inside it.
eval "$(xdotool getwindowgeometry --shell "$win")"
border=$(( (WIDTH - 640) / 2 ))
top=$(( HEIGHT - 420 - border ))
# A first click can go to activating the window: the double click is tried up to three times.
second=$first
for _ in 1 2 3; do
  xdotool windowraise "$win" windowfocus --sync "$win" mousemove --window "$win" $((border + 300)) $((top + 63)) click 1
  sleep 0.3
  xdotool click --repeat 2 --delay 80 1
  for _ in $(seq 15); do
    second=$(demo_caption)
    [ "$second" != "$first" ] && break 2
    sleep 0.2
  done
done
[ "$second" != "$first" ] || fail "a double click on a folder of the list changed nothing: '$second'"
[[ $second =~ \ -\ .+\ \([0-9]+\ items\)$ ]] || fail "the list does not show a folder after the double click: '$second'"
import -window "$win" "$screens/demo-opened.png"

sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
demo_close
echo "demo: '$first', then '$second'; closed with exit code 0; screenshot $screens/demo.png"
