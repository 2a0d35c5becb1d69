// libFuzzer target: a whole compile of a line file and a train file held in
// memory, the finishing pass and the encoding of the three compiled files.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scenarioc::fuzz::compile_input(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
