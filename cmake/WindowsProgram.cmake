# kalvorin_windows_program(target [DESCRIPTION text] [ORIGINAL_NAME file])
#
# Makes `target` a shipped Windows program:
# - it keeps within the oldest Windows the programs support (Windows XP SP3
#   for the 32-bit build, see the README): the objects of kalv_compat take the
#   place of runtime imports that Windows lacks, and the image header asks for
#   Windows 5.1 (5.2 for 64 bits, the first 64-bit Windows), so that an older
#   one refuses the program with its own message;
# - with DESCRIPTION, it gets the application manifest and a version resource
#   (framework/res/program.manifest.in and program.rc.in). The manifest asks
#   for administrator rights (the programs write below Program Files, into
#   the system folder and HKEY_LOCAL_MACHINE; a program named like an
#   uninstaller would otherwise run without them), names the Windows versions
#   the program knows (so that they report their real version), makes it DPI
#   aware (the system's DPI: the dialog templates scale with it, and Windows
#   does not blur the windows), and asks for version 6 of the common
#   controls (the system's current style). Windows XP reads only the last of
#   these and the identity; the others are in namespaces it passes over.
#   DESCRIPTION is the file description, ORIGINAL_NAME the file name the
#   version resource gives (default: the target's file name). ASCII only.
#
# The uninstaller needs one line:
#   kalvorin_windows_program(uninstaller DESCRIPTION "...")
function(kalvorin_windows_program target)
  cmake_parse_arguments(P "" "DESCRIPTION;ORIGINAL_NAME" "" ${ARGN})
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:kalv_compat>)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(minor 2)
    set(KALV_MANIFEST_ARCH amd64)
  else()
    set(minor 1)
    set(KALV_MANIFEST_ARCH x86)
  endif()
  target_link_options(${target} PRIVATE
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,${minor}
    -Wl,--major-os-version,5,--minor-os-version,${minor})
  if(NOT P_DESCRIPTION)
    return()
  endif()

  set(KALV_PROGRAM_NAME ${target})
  set(KALV_DESCRIPTION "${P_DESCRIPTION}")
  if(P_ORIGINAL_NAME)
    set(KALV_ORIGINAL_NAME ${P_ORIGINAL_NAME})
  else()
    set(KALV_ORIGINAL_NAME ${target}${CMAKE_EXECUTABLE_SUFFIX})
  endif()
  set(KALV_VERSION4 "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(KALV_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_program)
  set(KALV_MANIFEST_FILE ${out}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/framework/res/program.manifest.in ${out}.manifest @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/framework/res/program.rc.in ${out}.rc @ONLY)
  # windres reports no dependencies: a changed manifest rebuilds the resource.
  set_source_files_properties(${out}.rc PROPERTIES OBJECT_DEPENDS ${out}.manifest)
  target_sources(${target} PRIVATE ${out}.rc)
endfunction()
