// Random scenarios for the decompiler's round trip, the same for a seed on
// every platform: lines and trains as authors write them, with the
// mistakes authors make (items on taken cells, values off the grid or out
// of range, lines out of order), so that many of them compile with
// recorded failures and some stop early.
#pragma once

#include <cstdint>
#include <string>

namespace scenarioc::testing {

struct GeneratedScenario {
  std::string line_text;   // Windows-1252 bytes, CR LF
  std::string train_text;
};

GeneratedScenario generate_scenario(uint64_t seed);

}  // namespace scenarioc::testing
