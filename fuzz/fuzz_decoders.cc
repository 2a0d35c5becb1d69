// libFuzzer target: the decoders of the three compiled files on any bytes.
// Each refuses them with the byte at fault or reads a file its encoder
// writes back byte for byte.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scenarioc::fuzz::decode_input(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
