# The Velto Shell Components for CMake. find_package(VeltoShell CONFIG) with this folder as
# VeltoShell_DIR, or on CMAKE_PREFIX_PATH, gives the target VeltoShell::VeltoShell. The package is
# one flat folder: the headers and the compiled libraries, libVeltoShell.a for 32-bit and
# libVeltoShell64.a for 64-bit Windows, lie next to this file, wherever it was installed.
if(TARGET VeltoShell::VeltoShell)
  return()
endif()
# The libraries are MinGW-w64 archives: another compiler could not link them.
if(NOT MINGW)
  set(VeltoShell_FOUND FALSE)
  set(VeltoShell_NOT_FOUND_MESSAGE "libVeltoShell.a is built with MinGW-w64 (GCC 12); configure with a MinGW-w64 compiler")
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_velto_archive libVeltoShell64.a)
  set(_velto_target "64-bit Windows (x86_64-w64-mingw32)")
else()
  set(_velto_archive libVeltoShell.a)
  set(_velto_target "32-bit Windows (i686-w64-mingw32)")
endif()
if(NOT EXISTS "${CMAKE_CURRENT_LIST_DIR}/${_velto_archive}")
  set(VeltoShell_FOUND FALSE)
  set(VeltoShell_NOT_FOUND_MESSAGE "this package holds no library for ${_velto_target}: ${_velto_archive} is missing from ${CMAKE_CURRENT_LIST_DIR}")
  return()
endif()

add_library(VeltoShell::VeltoShell STATIC IMPORTED)
set_target_properties(VeltoShell::VeltoShell PROPERTIES
  IMPORTED_LOCATION "${CMAKE_CURRENT_LIST_DIR}/${_velto_archive}"
  IMPORTED_LINK_INTERFACE_LANGUAGES CXX
  INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}"
  INTERFACE_COMPILE_FEATURES cxx_std_20
  # The shell, OLE (drag and drop, the clipboard format), the common controls, GDI, windows, and
  # the shell's interface identifiers.
  INTERFACE_LINK_LIBRARIES "shell32;ole32;comctl32;gdi32;user32;uuid")
