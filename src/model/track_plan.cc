#include "model/track_plan.h"

#include <algorithm>

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
// one.
TrackPlan::Run& TrackPlan::run_for_next(bool stored, double k) {
  if (!runs_.empty()) {
    Run& r = runs_.back();
    if (r.stored == stored && (stored || r.k == k)) return r;
  }
  Run r;
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
  Reader r(*this);
  double xs[256], ys[256];
  for (size_t left = static_cast<size_t>(m) - 1;;) {
    const size_t n = r.read(xs, ys, std::min<size_t>(left, 256));
    left -= n;
    if (left == 0) return Point{xs[n - 1], ys[n - 1]};
  }
}

// The double arithmetic below is the plan's definition: each point from the
// two before it, exactly so and in this order.
size_t TrackPlan::Reader::read(double* xs, double* ys, size_t n) {
  size_t got = 0;
  Point p0 = p0_, p1 = p1_;
  while (got < n && run_ < plan_.runs_.size()) {
    const Run& r = plan_.runs_[run_];
    const size_t k = std::min(n - got, static_cast<size_t>(r.count - done_));
    if (r.stored) {
      for (size_t i = 0; i < k; ++i) {
        const size_t at = r.stored_at + static_cast<size_t>(done_) + i;
        p0 = p1;
        p1 = Point{plan_.xs_[at], plan_.ys_[at]};
        xs[got + i] = p1.x;
        ys[got + i] = p1.y;
      }
    } else if (r.k == 0) {
      for (size_t i = 0; i < k; ++i) {
        const Point p{p1.x + (p1.x - p0.x), p1.y + (p1.y - p0.y)};
        p0 = p1;
        p1 = p;
        xs[got + i] = p.x;
        ys[got + i] = p.y;
      }
    } else {
      const double c = r.k;
      for (size_t i = 0; i < k; ++i) {
        const double dx = p1.x - p0.x;
        const double dy = p1.y - p0.y;
        const Point p{p1.x + (dx + c * dy), p1.y + (dy - c * dx)};
        p0 = p1;
        p1 = p;
        xs[got + i] = p.x;
        ys[got + i] = p.y;
      }
    }
    got += k;
    done_ += static_cast<int32_t>(k);
    if (done_ == r.count) {
      ++run_;
      done_ = 0;
    }
  }
  p0_ = p0;
  p1_ = p1;
  return got;
}

}  // namespace scenarioc
