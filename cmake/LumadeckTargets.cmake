# The two ways a folder of this project becomes targets: a library of the
# program (lumadeck_library) and a folder of tests (lumadeck_tests, in
# tests/support). Source files are always listed by name; a folder is added
# through lumadeck_subdirectory, which refuses a .cpp file that no target of
# the folder lists, so a new or renamed file can never be left out silently.

# lumadeck_library(<name> SOURCES <files...> [PUBLIC <libs...>] [PRIVATE <libs...>])
function(lumadeck_library name)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src
    ${CMAKE_BINARY_DIR}/src/platform/generated)
  target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
endfunction()

# lumadeck_subdirectory(<folder>): add_subdirectory, then the check that every
# .cpp file in the folder is compiled by one of the folder's targets.
function(lumadeck_subdirectory dir)
  get_filename_component(folder ${dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  add_subdirectory(${folder})
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  set(listed)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    if(sources)
      foreach(source IN LISTS sources)
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${folder})
        list(APPEND listed ${path})
      endforeach()
    endif()
  endforeach()
  # The one directory listing of the build: a check, never a source list.
  file(GLOB present ${folder}/*.cpp)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST listed)
      message(FATAL_ERROR "${file} is compiled by no target of ${dir}/CMakeLists.txt: list it")
    endif()
  endforeach()
endfunction()
