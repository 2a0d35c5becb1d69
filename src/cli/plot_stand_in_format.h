// Readers of the three compiled files, standing in for the format layer's
// own until that lands: the same names and the same contract, so that the
// drawing code does not change when they are swapped.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/scenario_tables.h"
#include "model/track_plan.h"

namespace scenarioc {

// A file no encoder could have written.
class FormatError : public std::runtime_error {
 public:
  FormatError(uint64_t offset, const std::string& message);
  uint64_t offset() const { return offset_; }

 private:
  uint64_t offset_;
};

std::vector<RouteCell> decode_route(std::string_view bytes);

using Timetable = std::array<ScenarioRecord, kScenarioRows>;
Timetable decode_timetable(std::string_view bytes);

struct PlanValue {
  TrackPlan::Tag tag = TrackPlan::Tag::kEmpty;
  double value = 0;
};
struct DecodedPlan {  // metres 0 .. last_metre()
  std::vector<PlanValue> x, y;
  int32_t last_metre() const { return static_cast<int32_t>(x.size()) - 1; }
};
DecodedPlan decode_line_plan(std::string_view bytes);

}  // namespace scenarioc
