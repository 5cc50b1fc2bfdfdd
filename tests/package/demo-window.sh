# Sourced by the demo's end-to-end tests: starts a demo program under Wine in the project's session,
# finds its window, reads its caption and closes it. The caller defines fail MESSAGE, which must
# end the script; log names the file that takes the program's output.
# The demo prints nothing: its caption names the folder its list shows and the number of items.
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
source "$scripts/wine-env"

# demo_start EXE: starts the program and waits for its window; sets pid and win. The session is
# asked for here, not once at the start: a short-lived one ends while a long build runs.
demo_start() {
  DISPLAY=$("$scripts/wine-session" ensure) || fail "no Wine session"
  export DISPLAY
  "$WINE" "$1" >"$log" 2>&1 </dev/null 9>&- &
  pid=$!
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "^Velto Shell Components Demo" 2>/dev/null | head -n 1)
    [ -n "$win" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.2
  done
  fail "no window titled 'Velto Shell Components Demo'"
}

demo_caption() { xdotool getwindowname "$win" 2>/dev/null; }

# demo_wait_caption PATTERN: waits until the caption matches the pattern; prints it.
demo_wait_caption() {
  local text
  for _ in $(seq 50); do
    text=$(demo_caption)
    [[ $text =~ $1 ]] && { echo "$text"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  echo "$text"
  return 1
}

# demo_desktop_listed: waits until the tree has selected its root, the desktop, and the list, told
# through the registered messages, shows its items; sets listed to the caption.
demo_desktop_listed() {
  listed=$(demo_wait_caption " - Desktop \(([0-9]+) items\)$") || fail "the list did not show the desktop: '$listed'"
  [[ $listed =~ \(([0-9]+)\ items\) ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] || fail "the desktop listed no items: '$listed'"
}

# demo_close: Alt+F4 must end the program with exit code 0. Without a window manager the keyboard
# goes to the window under the pointer.
demo_close() {
  xdotool mousemove --window "$win" 300 300 windowfocus --sync "$win" key alt+F4
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end after Alt+F4"
  local rc=0
  wait "$pid" || rc=$?
  pid=""
  [ "$rc" -eq 0 ] || fail "the program exited with $rc"
}
