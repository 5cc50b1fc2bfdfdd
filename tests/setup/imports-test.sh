#!/usr/bin/env bash
# The setup program loads no DLL of its own: every import is a system DLL.
# usage: imports-test.sh OBJDUMP UNPACK_EXE
set -u
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|advapi32|msvcrt|comdlg32|shlwapi|uuid)\.dll$'
imports=$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "FAIL: no import table read"; exit 1; }
bad=$(grep -vE "$allowed" <<<"$imports")
echo "imports:" $imports
[ -z "$bad" ] || { echo "FAIL: imports outside the system: $bad"; exit 1; }
