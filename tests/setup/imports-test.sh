#!/usr/bin/env bash
# The setup program loads no DLL of its own: every import is a system DLL. It starts on every
# Windows its manifest declares: the functions that only some of them have are looked up at run
# time, never imported.
# usage: imports-test.sh OBJDUMP UNPACK_EXE
set -u
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|advapi32|msvcrt|comdlg32|shlwapi|uuid)\.dll$'
table=$("$1" -p "$2")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$table" | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "FAIL: no import table read"; exit 1; }
bad=$(grep -vE "$allowed" <<<"$imports")
echo "imports:" $imports
[ -z "$bad" ] || { echo "FAIL: imports outside the system: $bad"; exit 1; }
# Windows 7 has SetDefaultDllDirectories only with update KB2533623.
late=$(grep -o -w -E 'SetDefaultDllDirectories|SetDllDirectoryA|SetSearchPathMode' <<<"$table" | sort -u)
[ -z "$late" ] || { echo "FAIL: imported, though not every declared Windows has it:" $late; exit 1; }
grep -q -w 'GetProcAddress' <<<"$table" || { echo "FAIL: no function table read"; exit 1; }
echo "no function imported that a declared Windows may lack"
