# `cmake --install` into a scratch prefix puts the program, its manual page,
# its completions and the format guide where the system looks for them.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
foreach(file IN ITEMS bin/scenarioc
                      share/man/man1/scenarioc.1
                      share/bash-completion/completions/scenarioc
                      share/zsh/site-functions/_scenarioc
                      share/doc/scenarioc/format.md)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "cmake --install left out ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
