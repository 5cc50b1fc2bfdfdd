#!/usr/bin/env bash
# The producer's command line: create, list, verify and extract, the exit codes, the options of
# create and its progress on a terminal, and how names beyond ASCII are stored and listed.
# usage: mkpayload-test.sh MKPAYLOAD best|no-best [EMULATOR]   (best: the tool has zopfli for --best)
set -u
best=$2
tool=("${@:3}" "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
expect() {  # expect CODE DESCRIPTION -- COMMAND...
  local want=$1 what=$2; shift 3
  "$@" >"$scratch/out" 2>&1
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"; cat "$scratch/out"; failures=$((failures + 1))
  fi
}

mkdir "$scratch/in"
printf 'alpha\n' >"$scratch/in/a.txt"
head -c 100000 /dev/zero >"$scratch/in/zeros.bin"
: >"$scratch/in/empty.dat"
printf 'a.txt\n# a comment\nzeros.bin\nempty.dat\n' >"$scratch/in/LIST"

expect 0 "help" -- "${tool[@]}" --help
expect 2 "no command" -- "${tool[@]}"
expect 2 "unknown command" -- "${tool[@]}" frobnicate
expect 2 "extract without a folder" -- "${tool[@]}" extract "$scratch/p1"
expect 0 "create from files" -- "${tool[@]}" create "$scratch/p1" "$scratch/in/a.txt" "$scratch/in/zeros.bin" "$scratch/in/empty.dat"
expect 0 "create from a list" -- "${tool[@]}" create "$scratch/p2" --list "$scratch/in/LIST"
cmp -s "$scratch/p1" "$scratch/p2" || { echo "FAIL: the list and the files gave different payloads"; failures=$((failures + 1)); }
expect 0 "verify" -- "${tool[@]}" verify "$scratch/p1"
expect 0 "list" -- "${tool[@]}" list "$scratch/p1"
grep -q $'^1\tzeros.bin\t[0-9]*\t100000\t' "$scratch/out" || { echo "FAIL: list line"; cat "$scratch/out"; failures=$((failures + 1)); }
expect 0 "extract" -- "${tool[@]}" extract "$scratch/p1" "$scratch/out-dir"
for f in a.txt zeros.bin empty.dat; do
  cmp -s "$scratch/in/$f" "$scratch/out-dir/$f" || { echo "FAIL: extracted $f differs"; failures=$((failures + 1)); }
done
expect 1 "create with a duplicate name" -- "${tool[@]}" create "$scratch/p3" "$scratch/in/a.txt" "$scratch/in/a.txt"
expect 1 "create from a missing file" -- "${tool[@]}" create "$scratch/p3" "$scratch/in/missing"
expect 1 "create from a folder" -- "${tool[@]}" create "$scratch/p3" "$scratch/in"
grep -q "^mkpayload: cannot read " "$scratch/out" || { echo "FAIL: a folder: no clear refusal"; cat "$scratch/out"; failures=$((failures + 1)); }
# The superscript digits of code page 1252 name devices too (COM\xB9 is "COM" and superscript one),
# refused before any payload is written. Under Wine the file name is UTF-8, read as such only in a
# UTF-8 locale, and reaches the tool in code page 1252.
utf8=()
[ $# -ge 3 ] && utf8=(env LC_ALL=C.UTF-8)
for device in 'COM\xB9.txt' 'lpt\xB3'; do
  name=$(printf "$device")
  [ $# -ge 3 ] && name=$(printf '%s' "$name" | iconv -f CP1252 -t UTF-8)
  printf 'x' >"$scratch/in/$name"
  expect 1 "create with the device name $device" -- "${utf8[@]}" "${tool[@]}" create "$scratch/p4" "$scratch/in/a.txt" "$scratch/in/$name"
  grep -q "cannot hold safely" "$scratch/out" || { echo "FAIL: $device: not refused for its name"; cat "$scratch/out"; failures=$((failures + 1)); }
  [ ! -e "$scratch/p4" ] || { echo "FAIL: a payload was written for the device name $device"; failures=$((failures + 1)); }
  rm -f "$scratch/in/$name"
done
# Any other name is stored in the bytes the tool was given it in: code page 1252 under Wine, never
# the UTF-8 of a wide path.
name=$(printf 'caf\xE9.txt')
[ $# -ge 3 ] && name=$(printf '%s' "$name" | iconv -f CP1252 -t UTF-8)
printf 'x' >"$scratch/in/$name"
expect 0 "create with a name beyond ASCII" -- "${utf8[@]}" "${tool[@]}" create "$scratch/p5" "$scratch/in/$name"
grep -q "caf.xE9.txt is not ASCII and not UTF-8" "$scratch/out" || { echo "FAIL: create does not name the name beyond ASCII"; cat "$scratch/out"; failures=$((failures + 1)); }
LC_ALL=C grep -q "$(printf 'caf\xE9.txt')" "$scratch/p5" || { echo "FAIL: the name is not stored as given"; failures=$((failures + 1)); }
# list shows each name in UTF-8 as a setup running in UTF-8 reads it: a name that is not UTF-8 in
# code page 1252 unless it is given another, a UTF-8 name as it is.
expect 0 "list it" -- "${tool[@]}" list "$scratch/p5"
grep -q "$(printf '^0\tcaf\xC3\xA9.txt\t')" "$scratch/out" || { echo "FAIL: list: the 1252 name"; od -c "$scratch/out" | head -3; failures=$((failures + 1)); }
expect 0 "list it in code page 1251" -- "${tool[@]}" list --code-page 1251 "$scratch/p5"
grep -q "$(printf '^0\tcaf\xD0\xB9.txt\t')" "$scratch/out" || { echo "FAIL: list: the name in 1251"; od -c "$scratch/out" | head -3; failures=$((failures + 1)); }
expect 2 "list with a code page that is no number" -- "${tool[@]}" list --code-page x "$scratch/p5"
# "café.txt" in UTF-8; under Wine the tool is given its bytes as code page 1252 spells them.
name=$(printf 'caf\xC3\xA9.txt')
[ $# -ge 3 ] && name=$(printf '%s' "$name" | iconv -f CP1252 -t UTF-8)
printf 'x' >"$scratch/in/$name"
expect 0 "create with a UTF-8 name" -- "${utf8[@]}" "${tool[@]}" create "$scratch/p6" "$scratch/in/$name"
grep -q "$(printf 'caf\xC3\xA9.txt is not ASCII: stored in UTF-8')" "$scratch/out" || { echo "FAIL: create does not name the UTF-8 name"; cat "$scratch/out"; failures=$((failures + 1)); }
expect 0 "list it" -- "${tool[@]}" list --code-page 1251 "$scratch/p6"
grep -q "$(printf '^0\tcaf\xC3\xA9.txt\t')" "$scratch/out" || { echo "FAIL: list: the UTF-8 name"; od -c "$scratch/out" | head -3; failures=$((failures + 1)); }
expect 0 "create with ASCII names only says nothing" -- "${tool[@]}" create "$scratch/p7" "$scratch/in/a.txt"
[ ! -s "$scratch/out" ] || { echo "FAIL: create spoke of ASCII names"; cat "$scratch/out"; failures=$((failures + 1)); }
# The options of create: any number of jobs gives the same payload; --best the smallest one, or,
# in a build without zopfli, a clear refusal.
expect 0 "create on one thread" -- "${tool[@]}" create --jobs 1 "$scratch/p1-serial" "$scratch/in/a.txt" "$scratch/in/zeros.bin" "$scratch/in/empty.dat"
cmp -s "$scratch/p1" "$scratch/p1-serial" || { echo "FAIL: one job and every core gave different payloads"; failures=$((failures + 1)); }
expect 2 "create with no jobs" -- "${tool[@]}" create --jobs 0 "$scratch/p6" "$scratch/in/a.txt"
expect 2 "create with an unknown option" -- "${tool[@]}" create --fast "$scratch/p6" "$scratch/in/a.txt"
seq 1 20000 >"$scratch/in/numbers.txt"
files=("$scratch/in/numbers.txt" "$scratch/in/a.txt" "$scratch/in/empty.dat")
expect 0 "create the standard payload" -- "${tool[@]}" create "$scratch/p7" "${files[@]}"
if [ "$best" = best ]; then
  expect 0 "create --best" -- "${tool[@]}" create --best --jobs 2 "$scratch/p8" "${files[@]}"
  expect 0 "extract the smallest payload" -- "${tool[@]}" extract "$scratch/p8" "$scratch/best-dir"
  for f in numbers.txt a.txt empty.dat; do
    cmp -s "$scratch/in/$f" "$scratch/best-dir/$f" || { echo "FAIL: --best: extracted $f differs"; failures=$((failures + 1)); }
  done
  [ "$(stat -c %s "$scratch/p8")" -lt "$(stat -c %s "$scratch/p7")" ] ||
    { echo "FAIL: --best is no smaller: $(stat -c %s "$scratch/p8") against $(stat -c %s "$scratch/p7")"; failures=$((failures + 1)); }
else
  expect 2 "create --best without zopfli" -- "${tool[@]}" create --best "$scratch/p8" "${files[@]}"
  grep -q "^mkpayload: --best is not available: this mkpayload was built without the zopfli library" "$scratch/out" ||
    { echo "FAIL: --best: no clear refusal"; cat "$scratch/out"; failures=$((failures + 1)); }
  [ ! -e "$scratch/p8" ] || { echo "FAIL: --best wrote a payload all the same"; failures=$((failures + 1)); }
fi

# Progress on a terminal for a large input; nothing when the output is redirected or the input small.
head -c 17000000 /dev/zero >"$scratch/in/large.bin"
expect 0 "create from a large input, redirected" -- "${tool[@]}" create "$scratch/p9" "$scratch/in/large.bin"
! grep -q "compressed" "$scratch/out" || { echo "FAIL: progress shown on a redirected output"; cat "$scratch/out"; failures=$((failures + 1)); }
if [ $# -ge 3 ]; then
  echo "progress on a terminal: not checked under the emulator, whose output reaches a file, never a terminal"
else
  terminal() { script -qec "$*" /dev/null >"$scratch/out" 2>&1; }
  terminal "$1" create "$scratch/p9" "$scratch/in/large.bin"
  grep -q "100% of 17 MB compressed" "$scratch/out" || { echo "FAIL: no progress on a terminal"; cat -v "$scratch/out"; failures=$((failures + 1)); }
  terminal "$1" create "$scratch/p10" "$scratch/in/numbers.txt"
  ! grep -q "compressed" "$scratch/out" || { echo "FAIL: progress shown for a small input"; failures=$((failures + 1)); }
fi

head -c 600 "$scratch/p1" >"$scratch/cut"
expect 1 "verify a truncated payload" -- "${tool[@]}" verify "$scratch/cut"
expect 1 "verify a missing payload" -- "${tool[@]}" verify "$scratch/none"

[ "$failures" -eq 0 ] && echo "mkpayload command line: all well"
exit $((failures > 0))
