# `cmake --install` into a scratch prefix puts the program, its manual page,
# its completions, the format guide, the changelog and the copyright file
# where the system looks for them.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
foreach(file IN ITEMS bin/scenarioc
                      share/man/man1/scenarioc.1.gz
                      share/bash-completion/completions/scenarioc
                      share/zsh/site-functions/_scenarioc
                      share/doc/scenarioc/format.md
                      share/doc/scenarioc/CHANGELOG.md
                      share/doc/scenarioc/changelog.gz
                      share/doc/scenarioc/copyright
                      share/scenarioc/installed-program)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "cmake --install left out ${file}")
  endif()
endforeach()
# The installed program runs its built-in scenario in the current directory,
# not in its own folder; nothing is written into bin/.
file(MAKE_DIRECTORY "${PREFIX}/work")
execute_process(COMMAND "${PREFIX}/bin/scenarioc" --console
                WORKING_DIRECTORY "${PREFIX}/work"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed built-in run failed (${status}): ${errors}")
endif()
foreach(file IN ITEMS Valdena_linea.dat Valdena_704.sim Valdena_704.dat)
  if(NOT EXISTS "${PREFIX}/work/${file}")
    message(FATAL_ERROR "the installed built-in run wrote no ${file} in the current directory")
  endif()
endforeach()
file(GLOB in_bin RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
if(NOT in_bin STREQUAL "scenarioc")
  message(FATAL_ERROR "the installed built-in run wrote into bin/: ${in_bin}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
