// Readers of the three compiled files, under the names the format layer will
// give them. They stand here only until the format layer carries its own
// decoders; then this file goes and its includes point at format/.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "format/compiled_files.h"
#include "model/scenario_tables.h"
#include "model/track_plan.h"

namespace scenarioc {

// A file no encoder could have written; what() is "at byte OFFSET: MESSAGE".
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

// One coordinate of the line plan as stored: kInteger holds a 16-bit
// integer's value, kDouble the double's exact bits.
struct PlanValue {
  TrackPlan::Tag tag = TrackPlan::Tag::kEmpty;
  double value = 0;
};

// The line plan, metres 0 to last_metre().
struct DecodedPlan {
  std::vector<PlanValue> x, y;
  int32_t last_metre() const { return static_cast<int32_t>(x.size()) - 1; }
};

DecodedPlan decode_line_plan(std::string_view bytes);
std::string encode_line_plan(const DecodedPlan& plan);

}  // namespace scenarioc
