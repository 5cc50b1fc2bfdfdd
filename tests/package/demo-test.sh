#!/usr/bin/env bash
# End to end: the demo program under Wine shows the desktop in its tree and, through the registered
# messages, its items in the list; a double click on a folder of the list moves the tree there and
# the list follows; Alt+F4 ends the program with exit code 0. The demo prints nothing: its caption
# names the folder its list shows and the number of items. The screenshot stays in SCREENS_DIR.
# usage: demo-test.sh VELTODEMO_EXE SCREENS_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env"
exe=$1
screens=$2
mkdir -p "$screens"
DISPLAY=$("$here/../../scripts/wine-session" ensure) || exit 1
export DISPLAY
log=$(mktemp)
trap 'rm -f "$log"' EXIT

fail() {
  echo "FAIL: $*"
  import -window root "$screens/demo-failure.png" 2>/dev/null
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  cat "$log"
  exit 1
}
caption() { xdotool getwindowname "$win" 2>/dev/null; }
# Waits until the caption matches the pattern; prints it.
wait_caption() {
  local text
  for _ in $(seq 50); do
    text=$(caption)
    [[ $text =~ $1 ]] && { echo "$text"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  echo "$text"
  return 1
}

wine "$exe" >"$log" 2>&1 </dev/null 9>&- &
pid=$!
title="Velto Shell Components Demo"
win=""
for _ in $(seq 100); do
  win=$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  sleep 0.2
done
[ -n "$win" ] || fail "no window titled '$title'"

# The tree selects its root, the desktop, and posts it to the list, which lists its items.
first=$(wait_caption " - Desktop \(([0-9]+) items\)$") || fail "the list did not show the desktop: '$first'"
[[ $first =~ \(([0-9]+)\ items\) ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] || fail "the desktop listed no items: '$first'"
sleep 0.5
import -window "$win" "$screens/demo.png"

# The second row of the list is a folder (folders come first, and the desktop holds several): a
# double click on it asks the tree to select it, and the tree's selection comes back to the list. Without a window manager the X window
# is the whole frame: the client area is found inside it.
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
    second=$(caption)
    [ "$second" != "$first" ] && break 2
    sleep 0.2
  done
done
[ "$second" != "$first" ] || fail "a double click on a folder of the list changed nothing: '$second'"
[[ $second =~ \ -\ .+\ \([0-9]+\ items\)$ ]] || fail "the list does not show a folder after the double click: '$second'"
import -window "$win" "$screens/demo-opened.png"

sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
# The keyboard goes to the window under the pointer.
xdotool mousemove --window "$win" $((border + 300)) $((top + 300)) windowfocus --sync "$win" key alt+F4
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Alt+F4"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "the program exited with $rc"
echo "demo: '$first', then '$second'; closed with exit code 0; screenshot $screens/demo.png"
