# The Velto Shell Components for CMake. find_package(VeltoShell CONFIG) with this folder as
# VeltoShell_DIR, or on CMAKE_PREFIX_PATH, gives the target VeltoShell::VeltoShell. The package is
# one flat folder: the headers and the compiled library lie next to this file, wherever it was
# installed.
if(TARGET VeltoShell::VeltoShell)
  return()
endif()
# libVeltoShell.a is a MinGW-w64 archive: another compiler could not link it.
if(NOT MINGW)
  set(VeltoShell_FOUND FALSE)
  set(VeltoShell_NOT_FOUND_MESSAGE "libVeltoShell.a is built with MinGW-w64 (GCC 12); configure with a MinGW-w64 compiler")
  return()
endif()

add_library(VeltoShell::VeltoShell STATIC IMPORTED)
set_target_properties(VeltoShell::VeltoShell PROPERTIES
  IMPORTED_LOCATION "${CMAKE_CURRENT_LIST_DIR}/libVeltoShell.a"
  IMPORTED_LINK_INTERFACE_LANGUAGES CXX
  INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}"
  INTERFACE_COMPILE_FEATURES cxx_std_20
  # The shell, OLE (drag and drop, the clipboard format), the common controls, GDI, windows, and
  # the shell's interface identifiers.
  INTERFACE_LINK_LIBRARIES "shell32;ole32;comctl32;gdi32;user32;uuid")
