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

#include "model/scenario_tables.h"
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

// The most metres a plan holds: 0 to the end of the longest route. The
// largest line plan file holds a double for each of them, X and Y; a reader
// refuses a larger file before reading it.
constexpr int64_t kMostPlanMetres = int64_t{kLongestLine} + kRouteTail + 1;
constexpr uint64_t kLargestLinePlanFile =
    2 * uint64_t{kMostPlanMetres} *
    (kPlanTagBytes + plan_element(static_cast<uint16_t>(TrackPlan::Tag::kDouble))->value_bytes);

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

// The step that gives a computed point from the two before it: 0 repeats
// the last step (straight track), 1 to 6 turn it by the curvature of that
// class (bending right), 7 to 12 by the negative curvature of class 1 to 6
// (bending left). kNoStep: no step gives the point's bits.
constexpr int kPlanSteps = 13;
constexpr uint8_t kNoStep = 0xFF;
// The curvature of a step; 0 for straight track.
constexpr double plan_step_curvature(int step) {
  return step == 0 ? 0.0 : step <= 6 ? kCurveClassCurvature[step - 1] : -kCurveClassCurvature[step - 7];
}

// A line plan file's coordinates, metres 0 to last_metre(). The order of its
// elements is fixed (the seeds or none, the computed points, the empty
// metres), so the file's shape is three numbers; and each computed point is
// held as the step that gives it from the two points before it, to the bit,
// in one byte, and worked out again when it is read, as the compiler works
// it out. A plan of a million metres thus takes about a megabyte, however
// its file came to be. A point that no step gives (a plan not made by the
// compiler) is kept as it stands.
class DecodedPlan {
 public:
  DecodedPlan() = default;

  int32_t last_metre() const { return last_metre_; }
  bool seeded() const { return seeded_; }
  // Metres 2 up to here hold computed points; 1 when none does.
  int32_t last_computed() const { return 1 + static_cast<int32_t>(steps_.size()); }
  TrackPlan::Tag tag(int32_t m) const;
  // The step of computed metre m (2 to last_computed()), or kNoStep.
  uint8_t step(int32_t m) const { return steps_[static_cast<size_t>(m - 2)]; }

  // X and Y of metre m. Worked out from the metre read last, or from the
  // seeds when m lies before it: cheap in order, metre after metre.
  PlanValue x(int32_t m) const { return value(m, false); }
  PlanValue y(int32_t m) const { return value(m, true); }
  // Every coordinate of the X block or the Y block, for a small plan.
  std::vector<PlanValue> values(bool y) const;

  // Where X (or Y) of metre m stands in the file; with m = last_metre() + 1,
  // the block's end.
  uint64_t offset_of(bool y, int32_t m) const;

  // The plan of these coordinates, checked as decode_line_plan() checks a
  // file. Throws FormatError.
  static DecodedPlan from_values(const std::vector<PlanValue>& x, const std::vector<PlanValue>& y);

  friend bool operator==(const DecodedPlan& a, const DecodedPlan& b);

 private:
  friend DecodedPlan decode_line_plan(std::string_view bytes);
  struct Point {
    double x = 0, y = 0;
  };
  PlanValue value(int32_t m, bool y) const;

  int32_t last_metre_ = -1;
  bool seeded_ = false;
  std::vector<uint8_t> steps_;      // metres 2 to last_computed()
  std::vector<Point> unstepped_;    // the points of kNoStep, in order
  // The metre read last and the two points up to it: reading goes on from
  // there. Not part of the plan's value.
  mutable int32_t at_ = 1;
  mutable size_t unstepped_at_ = 0;
  mutable Point p0_{0, 0}, p1_{0, 1};
};

// The coordinates of a line plan file. Throws FormatError for an empty file,
// one larger than the longest route's plan, blocks of two lengths, a tag no
// plan holds, seeds other than the plan's, points in an order the plan is
// never computed in (a double after an empty metre, X and Y of one metre of
// two kinds), a double that is not finite, or more metres than the longest
// route's plan.
DecodedPlan decode_line_plan(std::string_view bytes);

// The bytes of a decoded plan.
std::string encode_line_plan(const DecodedPlan& plan);

// One block of elements as given, in any order: for files no compile writes.
// Throws std::invalid_argument for a tag none of the plan's.
std::string encode_plan_block(const std::vector<PlanValue>& block);

}  // namespace scenarioc
