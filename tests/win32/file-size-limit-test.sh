#!/usr/bin/env bash
# Runs the file tests' midway-failure case where no file may grow beyond 256 KiB: a write past that
# is cut short, as on a full disk. The process ignores the signal the limit would send, so that the
# write reports the failure instead of ending the program.
# usage: file-size-limit-test.sh WIN32_FILE_TESTS_EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
trap '' XFSZ
ulimit -f 256
UNPACK_FILE_SIZE_LIMIT=262144 exec "$here/../../scripts/wine-run" "$1" "-tc=*written in full*"
