# Shared part of the MinGW-w64 toolchain files; the including file sets UNPACK_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${UNPACK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNPACK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${UNPACK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${UNPACK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the Windows test programs through Wine.
get_filename_component(_unpack_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_unpack_root}/scripts/wine-run)
