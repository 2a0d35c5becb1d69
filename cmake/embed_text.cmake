# Turns text files of the repository into a C++ source that holds each as a
# string, so that the program carries them without reading anything at run
# time. Run as: cmake -DOUTPUT=file.cc -DNAMESPACE=ns -DHEADER=x.h
#   "-DFILES=name1=path1|name2=path2" -P embed_text.cmake
# Each file becomes `extern const char name[]`, its bytes as they are, with
# a NUL after them; the bytes are written as numbers, so no byte of a file
# can end the literal early.
set(body "// Made by cmake/embed_text.cmake from the files named below; do not edit.\n")
string(APPEND body "#include \"${HEADER}\"\n\nnamespace ${NAMESPACE} {\n")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(entry IN LISTS FILES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(REGEX REPLACE "(([^,]*,){16})" "\\1\n    " bytes "${bytes}")
  get_filename_component(shown "${path}" NAME)
  string(APPEND body "\n// ${shown}\nextern const char ${name}[] = {\n    ${bytes}'\\0'};\n")
endforeach()
string(APPEND body "\n}  // namespace ${NAMESPACE}\n")
# Rewritten only when it changes, so that nothing is compiled again for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL body)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${body}")
