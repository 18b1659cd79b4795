# The shipped files, made by the 32-bit build (the program that ships):
# stripped copies of KALVORIN_SHIPPED_TARGETS in <build>/dist (beside the
# build's own folder: build/dist for build/i686), their debug information in
# dist/debug, and dist/listing.txt with name, size and SHA-256 of each
# (scripts/make-dist.sh). Part of every build of that folder, so the files
# never lag behind the programs; `make dist` names it.
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  return()
endif()
get_filename_component(KALVORIN_DIST_DIR ${CMAKE_BINARY_DIR}/../dist ABSOLUTE)
set(programs)
foreach(target ${KALVORIN_SHIPPED_TARGETS})
  list(APPEND programs $<TARGET_FILE:${target}>)
endforeach()
add_custom_command(OUTPUT ${KALVORIN_DIST_DIR}/listing.txt
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-dist.sh ${CMAKE_OBJCOPY} ${KALVORIN_DIST_DIR} ${programs}
  DEPENDS ${KALVORIN_SHIPPED_TARGETS} ${PROJECT_SOURCE_DIR}/scripts/make-dist.sh
  COMMENT "Writing the shipped files to ${KALVORIN_DIST_DIR}"
  VERBATIM)
add_custom_target(dist ALL DEPENDS ${KALVORIN_DIST_DIR}/listing.txt)

# setup.exe goes on 1.44 MB floppy disks beside its data: at most 600 KB.
add_test(NAME win.i686.dist
         COMMAND sh ${PROJECT_SOURCE_DIR}/tests/ship/check-dist.sh ${CMAKE_OBJDUMP} ${KALVORIN_DIST_DIR} 614400
                 ${programs})
