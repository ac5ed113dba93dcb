# The floors of the program: support, the configuration model, the link, the
# service dialogs' decisions, the flows, the shared widgets and the windows.
# Each floor is a library that sees only its own headers and those of the
# floors it links, so that an include running up a floor does not build.
#
# vkt53_floor_headers(<target> <folder>... [HEADERS <file>...]) lays the
# headers of each folder (not of its subfolders) and the named files out
# under a folder of the build that mirrors the source tree, and gives the
# target that folder as its public include path. A header is included by
# its path from the source root ("config/config_image.h") everywhere.
function(vkt53_floor_headers target)
  cmake_parse_arguments(PARSE_ARGV 1 floor "" "" "HEADERS")
  set(headers ${floor_HEADERS})
  foreach(folder IN LISTS floor_UNPARSED_ARGUMENTS)
    file(GLOB folder_headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND headers ${folder_headers})
  endforeach()
  set(include_root ${CMAKE_BINARY_DIR}/floors/${target})
  file(REMOVE_RECURSE ${include_root})
  foreach(header IN LISTS headers)
    get_filename_component(header_folder ${include_root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${header_folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${include_root}/${header} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  target_include_directories(${target} PUBLIC ${include_root})
endfunction()
