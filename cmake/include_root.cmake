# Each library has an include root of its own: a folder of the build tree holding links to its
# headers under the paths code includes them by ("platform/d3d8/device.h") and nothing else.
# A target sees its own root and the roots of what it links, so including a header of a module
# the target does not link fails to compile, and the layering is the link graph.

# Gives `target` the include root holding HEADERS (paths relative to the calling folder).
function(morvelt_include_root target)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE source)
    cmake_path(RELATIVE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE path)
    cmake_path(GET path PARENT_PATH folder)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(CREATE_LINK ${source} ${root}/${path} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# The headers of the calling folder (not of its subfolders) in `variable`, minus EXCEPT; a
# header added later makes the build configure again.
function(morvelt_folder_headers variable)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCEPT")
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(arg_EXCEPT)
    list(REMOVE_ITEM headers ${arg_EXCEPT})
  endif()
  set(${variable} ${headers} PARENT_SCOPE)
endfunction()
