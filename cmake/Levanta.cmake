# One library per folder (or per weight of a folder). Sources are picked up by glob so that
# a new unit is a new file pair and nothing else; CONFIGURE_DEPENDS re-globs on each build.

# A unit's files in the current folder split in two by a regular expression on the unit's
# name (file name without extension and "_p"): <out>_MATCH and <out>_REST.
function(levanta_split_units out regex)
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(match)
  set(rest)
  foreach(f IN LISTS files)
    get_filename_component(unit ${f} NAME_WE)
    string(REGEX REPLACE "_p$" "" unit ${unit})
    if(unit MATCHES "${regex}")
      list(APPEND match ${f})
    else()
      list(APPEND rest ${f})
    endif()
  endforeach()
  set(${out}_MATCH ${match} PARENT_SCOPE)
  set(${out}_REST ${rest} PARENT_SCOPE)
endfunction()

# A static library of the given files, headers included as "folder/Unit.h" from the root;
# an interface library when there are no sources yet.
function(levanta_library name)
  cmake_parse_arguments(ARG "" "" "FILES;LIBS" ${ARGN})
  set(srcs ${ARG_FILES})
  list(FILTER srcs INCLUDE REGEX "\\.(cpp|c)$")
  if(srcs)
    add_library(${name} STATIC ${ARG_FILES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

function(levanta_folder_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER files EXCLUDE REGEX "/${ex}$")
  endforeach()
  levanta_library(${name} FILES ${files} LIBS ${ARG_LIBS})
endfunction()
