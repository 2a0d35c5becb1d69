// The line plan file, L_linea.dat: X of every metre from 0 to the last, then
// Y of every metre, each an element of a 2-byte tag and the value the tag
// announces. The X and the Y block have one length, so Y starts at half the
// file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/track_plan.h"

namespace scenarioc {

constexpr size_t kPlanTagBytes = 2;

// The elements a plan holds: the tag's value and the bytes after the tag.
struct PlanElement {
  TrackPlan::Tag tag;
  size_t value_bytes;
  std::string_view name;
};
inline constexpr PlanElement kPlanElements[] = {
    {TrackPlan::Tag::kEmpty, 0, "empty"},      // a metre the plan never reached
    {TrackPlan::Tag::kInteger, 2, "integer"},  // a seed: 16 bits, signed
    {TrackPlan::Tag::kDouble, 8, "double"},    // a computed point: IEEE 754
};

// The element of a tag, or nullptr for a tag no plan holds.
constexpr const PlanElement* plan_element(uint16_t tag) {
  for (const PlanElement& e : kPlanElements)
    if (static_cast<uint16_t>(e.tag) == tag) return &e;
  return nullptr;
}

// The seeds, integers: metre 0 is (0, 0) and metre 1 is (0, 1), so that the
// track leaves the origin along +Y a metre a step.
constexpr int16_t kSeedX[2] = {0, 0};
constexpr int16_t kSeedY[2] = {0, 1};

// Encodes the plan in pieces of about `chunk` bytes handed to `sink` in file
// order, so that the largest plan never needs to be held whole.
void encode_line_plan(const TrackPlan& plan, const std::function<void(std::string_view)>& sink,
                      size_t chunk = 1 << 18);
// The same bytes in one pass over the points, the X and the Y block side by
// side: each piece goes to `sink` with its offset in the file.
void encode_line_plan_at(const TrackPlan& plan,
                         const std::function<void(uint64_t, std::string_view)>& sink,
                         size_t chunk = 1 << 18);
// Size of the line plan file for `plan`, without encoding it.
uint64_t line_plan_bytes(const TrackPlan& plan);

// One coordinate of a metre as the file holds it: kInteger holds a 16-bit
// integer's value, kDouble the double's exact bits, kEmpty nothing.
struct PlanValue {
  TrackPlan::Tag tag = TrackPlan::Tag::kEmpty;
  double value = 0;
  // Equal tags and the same bits: 0.0 is not -0.0.
  friend bool operator==(const PlanValue& a, const PlanValue& b) {
    return a.tag == b.tag && std::bit_cast<uint64_t>(a.value) == std::bit_cast<uint64_t>(b.value);
  }
};

// A line plan file's coordinates, metres 0 to last_metre().
struct DecodedPlan {
  std::vector<PlanValue> x, y;
  int32_t last_metre() const { return static_cast<int32_t>(x.size()) - 1; }
  friend bool operator==(const DecodedPlan&, const DecodedPlan&) = default;
};

// The coordinates of a line plan file. Throws FormatError for an empty file,
// blocks of two lengths, a tag no plan holds, seeds other than the plan's,
// points in an order the plan is never computed in (a double after an empty
// metre, X and Y of one metre of two kinds), or a double that is not finite.
DecodedPlan decode_line_plan(std::string_view bytes);

// The bytes of a decoded plan. Throws std::invalid_argument when X and Y
// differ in length or a tag is none of the plan's.
std::string encode_line_plan(const DecodedPlan& plan);

}  // namespace scenarioc
