# Finds a header-only package by its CMake package, or else by its header
# alone (older or hand-made installs ship no package files), and gives it
# the target name its package would.
function(htmlfile_find_header_only package target header)
  if(CMAKE_CROSSCOMPILING)
    # The host's include folder also holds its C library's headers, which
    # the cross compiler must not see: only the package's own folder is
    # taken, copied into the build tree.
    if(TARGET ${target})
      return()
    endif()
    find_path(${package}_INCLUDE_DIR ${header} REQUIRED)
    string(REGEX REPLACE "/.*" "" top ${header})
    set(copy ${CMAKE_BINARY_DIR}/header-only/${package})
    file(COPY ${${package}_INCLUDE_DIR}/${top} DESTINATION ${copy})
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} INTERFACE ${copy})
    return()
  endif()
  find_package(${package} CONFIG QUIET)
  if(NOT TARGET ${target})
    find_path(${package}_INCLUDE_DIR ${header} REQUIRED)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} INTERFACE ${${package}_INCLUDE_DIR})
  endif()
endfunction()
