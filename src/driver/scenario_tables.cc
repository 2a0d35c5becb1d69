#include "driver/scenario_tables.h"

namespace scenarioc {

void TrackPlan::create(int32_t last_metre) {
  destroy();
  created_ = true;
  last_metre_ = last_metre;
}

void TrackPlan::destroy() {
  created_ = false;
  seeded_ = false;
  last_metre_ = 0;
  cursor_ = 2;
  runs_.clear();
  runs_.shrink_to_fit();
  xs_.clear();
  xs_.shrink_to_fit();
  ys_.clear();
  ys_.shrink_to_fit();
}

void TrackPlan::seed() {
  seeded_ = true;
  cursor_ = 2;
  runs_.clear();
  xs_.clear();
  ys_.clear();
}

// The last run when it is of the same kind (and curvature), otherwise a new
// one starting at cursor().
TrackPlan::Run& TrackPlan::run_for_next(bool stored, double k) {
  if (!runs_.empty()) {
    Run& r = runs_.back();
    if (r.stored == stored && (stored || r.k == k)) return r;
  }
  Run r;
  r.first = cursor_;
  r.k = k;
  r.stored = stored;
  r.stored_at = xs_.size();
  runs_.push_back(r);
  return runs_.back();
}

void TrackPlan::step(double k, int32_t metres) {
  if (metres <= 0) return;
  run_for_next(false, k).count += metres;
  cursor_ += metres;
}

void TrackPlan::append(double x, double y) {
  ++run_for_next(true, 0).count;
  xs_.push_back(x);
  ys_.push_back(y);
  ++cursor_;
}

TrackPlan::Tag TrackPlan::tag(int32_t m) const {
  if (!seeded_) return Tag::kEmpty;
  if (m < 2) return Tag::kInteger;
  if (m < cursor_) return Tag::kDouble;
  return Tag::kEmpty;
}

TrackPlan::Point TrackPlan::point(int32_t m) const {
  if (!seeded_ || m < 0 || m >= cursor_) return Point{};
  if (m == 0) return Point{0, 0};
  if (m == 1) return Point{0, 1};
  Point last;
  walk(m + 1, [&last](double x, double y) { last = Point{x, y}; });
  return last;
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
