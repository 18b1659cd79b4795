# One folder, one library, and an include path that shows that folder only.
#
# kalvorin_include_root(<target> <prefix> <folder>) gives <target> the public
# include path build/include/<target>, which holds links <prefix>/<header> to
# the headers directly in <folder>. Whoever links <target> includes
# "<prefix>/X.h" and sees nothing else of the source tree through it, so an
# include of a layer that is not linked (one above) does not build.
function(kalvorin_include_root target prefix folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${prefix})
  file(GLOB headers CONFIGURE_DEPENDS ${folder}/*.h)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${prefix}/${name} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# kalvorin_layer(<target> <prefix> <folder> [EXCLUDE <regex>]): the library of
# the .cpp files directly in <folder> (an interface library when there are
# none), warnings as errors, its include root as above.
function(kalvorin_layer target prefix folder)
  cmake_parse_arguments(LAYER "" "EXCLUDE" "" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(LAYER_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${LAYER_EXCLUDE}")
  endif()
  if(sources)
    add_library(${target} STATIC ${sources})
    kalvorin_warnings(${target})
  else()
    add_library(${target} INTERFACE)
  endif()
  kalvorin_include_root(${target} ${prefix} ${folder})
endfunction()
