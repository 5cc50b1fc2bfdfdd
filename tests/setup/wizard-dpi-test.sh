#!/usr/bin/env bash
# The wizard at another dpi: sets the prefix's dpi, runs the wizard tests' dpi case in a program
# started after the change, and puts the prefix back to 96 however the run ends.
# usage: wizard-dpi-test.sh DPI WIZARD_TESTS_EXE
set -u
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
dpi=$1
trap '"$scripts/wine-session" dpi 96' EXIT
"$scripts/wine-session" dpi "$dpi" || exit 1
UNPACK_TEST_DPI=$dpi "$scripts/wine-run" "$2" -tc="at the screen*"
rc=$?
exit $rc
