# Cross build for 64-bit Windows: keeps pointer-size assumptions out of the code.
set(UNPACK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
