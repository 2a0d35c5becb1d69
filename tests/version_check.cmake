# The version is defined once, in project(): `scenarioc --version`, the manual
# page and the package all show it.
#   cmake -DBUILD=<build dir> -DVERSION=<project version> -P version_check.cmake
execute_process(COMMAND "${BUILD}/scenarioc" --version OUTPUT_VARIABLE shown
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT shown STREQUAL "scenarioc ${VERSION}\n")
  message(FATAL_ERROR "scenarioc --version says '${shown}', the build ${VERSION}")
endif()
file(STRINGS "${BUILD}/scenarioc.1" title REGEX "^\\.TH ")
if(NOT title MATCHES "\"scenarioc ${VERSION}\"")
  message(FATAL_ERROR "the manual page's title line is '${title}', the build ${VERSION}")
endif()
include("${BUILD}/CPackConfig.cmake")
if(NOT CPACK_PACKAGE_VERSION STREQUAL VERSION)
  message(FATAL_ERROR "the package's version is ${CPACK_PACKAGE_VERSION}, the build ${VERSION}")
endif()
file(READ "${BUILD}/changelog" debian_changelog)
if(NOT debian_changelog MATCHES "^scenarioc \\(${VERSION}\\)")
  message(FATAL_ERROR "the Debian changelog's version differs from ${VERSION}")
endif()
