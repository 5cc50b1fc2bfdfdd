#!/usr/bin/env bash
# End to end: the package as its users build with it. unpack-to, which embeds the setup's payload
# and restores it through the setup's own restore code, installs the package into a scratch folder
# outside the tree; there the demo is built with the commands the installed ReadMe.txt gives (the
# help page must give the same ones), both ways at once: with CMake, through find_package and the
# VeltoShell::VeltoShell target, and with the compiler alone, each for 32 and 64 bits. Each program
# this machine's Wine runs must start and list the desktop. A header, a source or a library missing
# from the package fails a build.
# usage: build-from-install-test.sh I686_UNPACK_TO_EXE X86_64_UNPACK_TO_EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
scratch=$(mktemp -d)
log=$scratch/demo.log
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*"
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  [ -f "$log" ] && cat "$log"
  exit 1
}
[[ $scratch != "$root"/* ]] || fail "the scratch folder $scratch lies inside the tree"
source "$here/demo-window.sh"
# Only the documented commands decide what is built: nothing from the caller's environment.
unset CPATH C_INCLUDE_PATH CPLUS_INCLUDE_PATH LIBRARY_PATH CXXFLAGS LDFLAGS CMAKE_TOOLCHAIN_FILE \
  CMAKE_PREFIX_PATH VeltoShell_DIR CMAKE_GENERATOR
started=$SECONDS

# The folder name of a real install, spaces included.
pkg="$scratch/Velto Shell Components D4"
unpack_to=$1
[[ " $WINE_TARGETS " == *" i686 "* ]] || { unpack_to=$2; echo "restored by the x86_64 unpack-to: $WINE_NO_I686_REASON"; }
"$root/scripts/wine-run" "$unpack_to" "Z:${pkg//\//\\}" >"$scratch/restore.log" ||
  fail "unpack-to exited $?: $(cat "$scratch/restore.log")"

# The demo compiles none of the library's sources: they must still find every header they name.
for name in $(grep -ho '^#include "[^"]*"' "$pkg"/*.h "$pkg"/*.cpp | cut -d'"' -f2 | sort -u); do
  [ -f "$pkg/$name" ] || fail "a source of the package includes $name, which the package lacks"
done

# documented FILE: the build commands the page gives, one a line, without markup or indentation.
documented() {
  sed -e ':a' -e '/\\$/{N; s/\\\n//; ba}' "$1" | sed -E 's/<[^>]*>//g; s/^ +//; s/ +/ /g' |
    grep -E '^(cmake|(i686|x86_64)-w64-mingw32-(windres|g\+\+)) '
}
commands=$(documented "$pkg/ReadMe.txt")
[ "$commands" = "$(documented "$pkg/VeltoShellComponents.html")" ] ||
  fail "ReadMe.txt and the help page give different build commands"
with_cmake=$(grep '^cmake ' <<<"$commands")
with_gxx=$(grep -v '^cmake ' <<<"$commands")
[ "$(wc -l <<<"$with_cmake")" -eq 4 ] && [ "$(wc -l <<<"$with_gxx")" -eq 4 ] &&
  grep -q x86_64 <<<"$with_cmake" && grep -q x86_64 <<<"$with_gxx" ||
  fail "expected two CMake and two compiler commands for each target, found: $commands"

# run COMMANDS LOG: runs the commands one after the other in the package's folder.
run() {
  (cd "$pkg" && while read -r line; do echo "+ $line"; eval "$line" || exit 1; done <<<"$1") >"$2" 2>&1
}
# CMake's own default libraries would hide a library missing from the target's link interface.
cmake_commands=$(sed -E 's/^(cmake -S .*)$/\1 -DCMAKE_CXX_STANDARD_LIBRARIES=/' <<<"$with_cmake")
# The compiler-alone build must make the program itself, not find the installed one.
rm -f "$pkg/VeltoDemo.exe" "$pkg/VeltoDemo64.exe"
run "$cmake_commands" "$scratch/cmake.log" &
cmake_pid=$!
failed=()
run "$with_gxx" "$scratch/gxx.log" || failed+=("the compiler-alone build")
wait "$cmake_pid" || failed+=("the CMake build")
if [ ${#failed[@]} -gt 0 ]; then
  tail -n 25 "$scratch/gxx.log" "$scratch/cmake.log"
  fail "${failed[*]/%/ failed;}"
fi
built=$SECONDS

# The include path held the package's folder and nothing of the tree: the dependency files name
# the library's headers, and no file of the build names the tree.
grep -rqF --include='*.d' VeltoShellTreeView.h "$pkg/build" "$pkg/build64" ||
  fail "no dependency file names the library's headers"
named=$(grep -rlF -- "$root" "$pkg/build" "$pkg/build64") && fail "the CMake build names the source tree: $named"

programs=("$pkg/build64/VeltoDemo.exe" "$pkg/VeltoDemo64.exe" "$pkg/build/VeltoDemo.exe" "$pkg/VeltoDemo.exe")
for exe in "${programs[@]}"; do
  [ -f "$exe" ] || fail "no $exe"
done
[[ " $WINE_TARGETS " == *" i686 "* ]] || { programs=("${programs[@]:0:2}"); echo "the 32-bit demos were built, not run: $WINE_NO_I686_REASON"; }
for exe in "${programs[@]}"; do
  demo_start "$exe"
  demo_desktop_listed
  demo_close
  echo "${exe#"$pkg"/}: '$listed'"
done
echo "built from the installed package both ways for both targets in $((built - started)) s, ran ${#programs[@]} in $((SECONDS - built)) s"
