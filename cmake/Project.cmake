# Flags, libraries and helpers shared by every target.

# Our own code builds without a warning.
function(unpack_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

if(WIN32)
  enable_language(RC)
  # The program needs no DLL beyond the system's.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Compiled for size: the installer carries this code twice (itself, and the demo in its payload),
  # and its time goes to the shell and to zlib, not to our code. The payload reader, whose loops
  # are the restore's own share, keeps -O3 (payload/).
  add_compile_options(-Os)
  add_library(unpack_zlib INTERFACE)
  target_link_libraries(unpack_zlib INTERFACE ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)
else()
  find_package(ZLIB REQUIRED)
  add_library(unpack_zlib INTERFACE)
  target_link_libraries(unpack_zlib INTERFACE ZLIB::ZLIB)
  # Native tests and the fuzzer run the portable code under the sanitizers.
  set(UNPACK_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(UNPACK_FUZZ ON)
    list(APPEND UNPACK_SANITIZE -fsanitize=fuzzer-no-link)
  endif()
endif()

# Makes TARGET a release program: stripped, unused sections dropped, and no time stamp in a
# Windows image, so that two builds of the same sources give the same bytes. Test programs keep
# their symbols.
function(unpack_release_program target)
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
    # libstdc++'s default terminate handler prints the demangled type of an exception that nothing
    # caught before it aborts, which pulls in the demangler and MinGW's own printf: a tenth of the
    # setup's code, for a text that a GUI program has nowhere to show. Abort directly instead
    # (32-bit symbols carry an underscore). gc-sections cannot drop it: the linker keeps every
    # function that has unwind information.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(prefix _)
    endif()
    target_link_options(${target} PRIVATE
      "-Wl,--defsym,${prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${prefix}abort")
  endif()
endfunction()

# Only the doctest folder: the cross builds must not see the host's /usr/include.
add_library(doctest INTERFACE)
target_include_directories(doctest SYSTEM INTERFACE /usr/include/doctest)

# Adds a static library, and natively a sanitized twin of it named NAME_san.
function(unpack_portable_library name)
  add_library(${name} STATIC ${ARGN})
  unpack_warnings(${name})
  if(NOT WIN32)
    add_library(${name}_san STATIC ${ARGN})
    unpack_warnings(${name}_san)
    target_compile_options(${name}_san PRIVATE ${UNPACK_SANITIZE})
  endif()
endfunction()

# Builds the payload of the files listed in MANIFEST with the native producer at its smallest
# (--best: zopfli, some seconds), as the target NAME, and writes a resource script that embeds it
# as the raw-data resource "DATA".
#   unpack_payload_resource(NAME MANIFEST [INPUTS FILE...] [DEPENDS TARGET...])
# A MANIFEST that the build itself makes does not exist yet when CMake runs: INPUTS then names the
# files it will list, and DEPENDS the targets that make them.
function(unpack_payload_resource name manifest)
  cmake_parse_arguments(P "" "" "INPUTS;DEPENDS" ${ARGN})
  if(NOT MKPAYLOAD)
    message(FATAL_ERROR "MKPAYLOAD must name the native mkpayload (build/native/mkpayload)")
  endif()
  set(inputs ${manifest})
  if(P_INPUTS)
    list(APPEND inputs ${P_INPUTS})
  else()
    get_filename_component(dir ${manifest} DIRECTORY)
    file(STRINGS ${manifest} lines REGEX "^[^#]")
    foreach(line IN LISTS lines)
      string(STRIP "${line}" line)
      if(line)
        list(APPEND inputs ${dir}/${line})
      endif()
    endforeach()
  endif()
  set(payload ${CMAKE_BINARY_DIR}/${name}.payload)
  add_custom_command(OUTPUT ${payload}
    COMMAND ${MKPAYLOAD} create --best ${payload} --list ${manifest}
    DEPENDS ${inputs} ${MKPAYLOAD}
    COMMENT "Building payload ${name}")
  add_custom_target(${name} DEPENDS ${payload})
  if(P_DEPENDS)
    add_dependencies(${name} ${P_DEPENDS})
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/${name}.rc "DATA RCDATA \"${payload}\"\n")
  set_property(TARGET ${name} PROPERTY UNPACK_PAYLOAD ${payload})
endfunction()

# Embeds the payload target PAYLOAD into TARGET as its "DATA" resource.
function(unpack_embed_payload target payload)
  get_property(file TARGET ${payload} PROPERTY UNPACK_PAYLOAD)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/${payload}.rc)
  set_source_files_properties(${CMAKE_BINARY_DIR}/${payload}.rc PROPERTIES OBJECT_DEPENDS ${file})
  add_dependencies(${target} ${payload})
endfunction()

# Makes UTF-8 the code page of the Windows program TARGET where the system offers it (Windows 10
# version 1903 on), with a manifest that says only that; older systems keep their own.
function(unpack_utf8_code_page target)
  set(manifest ${PROJECT_SOURCE_DIR}/cmake/Utf8CodePage.manifest)
  set(rc ${CMAKE_BINARY_DIR}/Utf8CodePage.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT
    "#include <winuser.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${manifest}\"\n")
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
