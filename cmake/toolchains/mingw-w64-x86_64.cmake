# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads flavour, for std::thread and std::mutex), and runs the results
# under Wine: test discovery and ctest go through the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HTMLFILE_MINGW_PREFIX x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${HTMLFILE_MINGW_PREFIX}-gcc-posix ${HTMLFILE_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${HTMLFILE_MINGW_PREFIX}-g++-posix ${HTMLFILE_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${HTMLFILE_MINGW_PREFIX}-windres)

# Libraries, headers and packages come from the MinGW sysroot and from the
# prefix that scripts/windows-deps fills (GoogleTest built with this
# toolchain, links to the host's header-only CLI11 and nlohmann/json), never
# from the host's own folders: a host /usr/include among the include paths
# would shadow the Windows C library's headers.
if(NOT HTMLFILE_WINDOWS_DEPS)
  if(DEFINED ENV{HTMLFILE_WINDOWS_DEPS})
    set(HTMLFILE_WINDOWS_DEPS $ENV{HTMLFILE_WINDOWS_DEPS})
  else()
    get_filename_component(HTMLFILE_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../../build/windows-deps ABSOLUTE)
  endif()
endif()
# Prefixes given in CMAKE_PREFIX_PATH (other Windows builds) count as roots too.
set(CMAKE_FIND_ROOT_PATH /usr/${HTMLFILE_MINGW_PREFIX} ${HTMLFILE_WINDOWS_DEPS} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# try_compile projects see the same folders.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HTMLFILE_WINDOWS_DEPS)

find_program(HTMLFILE_WINE NAMES wine wine64)
if(HTMLFILE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HTMLFILE_WINE})
endif()

# Programs run from any folder without the MinGW runtime DLLs beside them;
# so does libhtmlfile.dll, which -static keeps from needing
# libwinpthread-1.dll (the C++ runtime copies agree on everything the
# interface passes: memory comes from msvcrt, exceptions unwind through SEH,
# and typeinfo compares by name).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
