#!/usr/bin/env bash
# The road of a machine that runs no 32-bit programs, taken through its override on any machine: the
# Wine scripts boot a session through Wine's 64-bit loader in a prefix of its own, offer it the
# x86_64 programs only, and an x86_64 test program passes there.
# usage: wine64-road-test.sh X86_64_TEST_PROGRAM
set -u
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
export UNPACK_WINE64_ONLY=1
source "$scripts/wine-env"
[ "$WINE_TARGETS" = x86_64 ] && [ "$WINELOADER" = /usr/lib/wine/wine64 ] && [[ $WINEPREFIX == */prefix64 ]] ||
  fail "the override left Wine at '$WINE_TARGETS' through '${WINELOADER:-}' in $WINEPREFIX"
out=$("$scripts/wine-run" "$1") || fail "the program exited $? through the 64-bit loader: $out"
grep -q 'Status: SUCCESS' <<<"$out" || fail "the program's cases did not pass: $out"
[ -f "$SESSION_FILE" ] && [ -f "$WINEPREFIX/.unpack-ready" ] || fail "no session of the 64-bit prefix ran it"
echo "through the 64-bit loader in $WINEPREFIX: $(grep -o '\[doctest\] test cases:.*' <<<"$out")"
