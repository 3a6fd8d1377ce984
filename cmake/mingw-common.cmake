# Shared by the MinGW-w64 toolchain files, which set CMAKE_SYSTEM_PROCESSOR
# and MINGW_PREFIX first. Links statically, so the programs need only the
# system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The static zlib of libz-mingw-w64-dev, not its DLL.
set(ZLIB_USE_STATIC_LIBS ON)

# Reproducible images: the same sources, toolchain and replacement give the
# same bytes whatever the build's folders, clock or user.
# No folder of the build in the image, should __FILE__ or debug information
# name one: paths under the source and build folders are written relative to
# them (the last map that matches wins, so the build folder, often inside the
# source folder, comes last).
set(mwn_prefix_maps "-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=src/ -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/")
string(APPEND CMAKE_C_FLAGS_INIT " ${mwn_prefix_maps}")
string(APPEND CMAKE_CXX_FLAGS_INIT " ${mwn_prefix_maps}")
# The PE header's time stamp is ld's only reading of the clock; it takes
# SOURCE_DATE_EPOCH instead where that is set. Every link gets the value of
# the configuring environment, or 0 (no time stamp), so a build never
# depends on when or from which shell it ran.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(MWN_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  set(MWN_SOURCE_DATE_EPOCH 0)
endif()
foreach(lang C CXX)
  set(CMAKE_${lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${MWN_SOURCE_DATE_EPOCH})
endforeach()
# Release images without the symbol table and the runtime's debug sections,
# which nothing on Windows reads; they then end at a section boundary, so a
# signature added and removed again gives back the very same bytes.
string(APPEND CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT " -s")
# Archives without time stamps, owners or modes; CMake's Windows platform
# rules set the archive commands after this file, hence an override file.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/mingw-archive-rules.cmake)
