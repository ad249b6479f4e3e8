# Runs cpack, then lintian on the .deb: no error, and no warning at all.
execute_process(COMMAND cpack -G DEB WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB debs ${BUILD_DIR}/orvanta_*.deb)
list(GET debs 0 deb)
execute_process(COMMAND dpkg-deb --field ${deb} Recommends OUTPUT_VARIABLE recommends)
if(NOT recommends MATCHES "xdg-utils")
  message(FATAL_ERROR "the package does not recommend xdg-utils: ${recommends}")
endif()
execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${deb}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lintian:\n${out}")
endif()
message(STATUS "lintian:\n${out}")
