#include "driver/scenario_tables.h"

namespace scenarioc {

void TrackPlan::create(int32_t last_metre) {
  created_ = true;
  seeded_ = false;
  last_metre_ = last_metre;
  cursor_ = 2;
  const size_t n = static_cast<size_t>(last_metre) + 1;
  xs_.assign(n, 0.0);
  ys_.assign(n, 0.0);
}

void TrackPlan::destroy() {
  created_ = false;
  seeded_ = false;
  last_metre_ = 0;
  cursor_ = 2;
  xs_.clear();
  xs_.shrink_to_fit();
  ys_.clear();
  ys_.shrink_to_fit();
}

void TrackPlan::seed() {
  seeded_ = true;
  cursor_ = 2;
  xs_[0] = 0;
  ys_[0] = 0;
  xs_[1] = 0;
  ys_[1] = 1;
}

void TrackPlan::append(double x, double y) {
  xs_[static_cast<size_t>(cursor_)] = x;
  ys_[static_cast<size_t>(cursor_)] = y;
  ++cursor_;
}

TrackPlan::Tag TrackPlan::tag(int32_t m) const {
  if (!seeded_) return Tag::kEmpty;
  if (m < 2) return Tag::kInteger;
  if (m < cursor_) return Tag::kDouble;
  return Tag::kEmpty;
}

void Scenario::record(Failure f) {
  error_code = f.code;
  if (f.position) error_position = *f.position;
  failures.push_back(std::move(f));
}

void Scenario::clear_scenario_table() {
  for (ScenarioRecord& r : scenario_table) r = ScenarioRecord{};
}

void Scenario::create_route(int32_t cells_last) {
  route.assign(static_cast<size_t>(cells_last) + 1, RouteCell{});
  route_created = true;
}

}  // namespace scenarioc
