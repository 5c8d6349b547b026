# SPDX-License-Identifier: GPL-3.0-or-later
# vestiscop_readers_built(result lib/File.cpp ...): TRUE when every named
# source is part of its folder's library. While a reader is still being
# written its targets are left out, so every build configures at every step.
function(vestiscop_readers_built result)
  foreach(needed ${ARGN})
    string(REGEX MATCH "^[a-z]+" folder ${needed})
    get_filename_component(file ${needed} NAME)
    set(lib vestiscop_${folder})
    if(NOT TARGET ${lib})
      set(${result} FALSE PARENT_SCOPE)
      return()
    endif()
    get_target_property(lib_sources ${lib} SOURCES)
    if(NOT lib_sources OR NOT file IN_LIST lib_sources)
      set(${result} FALSE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${result} TRUE PARENT_SCOPE)
endfunction()
