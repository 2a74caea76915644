# Finds a header-only package by its CMake package, or else by its header
# alone (older or hand-made installs ship no package files), and gives it
# the target name its package would.
function(htmlfile_find_header_only package target header)
  find_package(${package} CONFIG QUIET)
  if(NOT TARGET ${target})
    find_path(${package}_INCLUDE_DIR ${header} REQUIRED)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} INTERFACE ${${package}_INCLUDE_DIR})
  endif()
endfunction()
