// libFuzzer target: the item reader alone, on any bytes and any order of
// text, long, integer and byte reads.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scenarioc::fuzz::read_items(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
