// The plan of the track: X and Y for every metre of the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/route_rules.h"

namespace scenarioc {


// The plan of the track, one point a metre. The parser fills it strictly in
// order from metre 2 on, so which points are seeds (16-bit integers), which
// are computed (doubles) and which were never assigned (empty) follows from
// two facts: whether the seeds were set, and how far the computation got.
//
// A computed point is the one before it plus the last step, turned by the
// curvature of its metre. The plan keeps those curvatures, not the points:
// runs of metres with one curvature, from which the points are worked out
// again, from the seeds on and in the same double arithmetic, whenever they
// are read. The longest plan thus takes kilobytes instead of the 16 MB of
// its points, and far less than the file it is written to.
class TrackPlan {
 public:
  enum class Tag : uint16_t { kEmpty = 0, kInteger = 2, kDouble = 5 };

  // Dimensions the plan with metres 0 to last_metre, every coordinate empty.
  void create(int32_t last_metre);
  void destroy();
  bool created() const { return created_; }
  int32_t last_metre() const { return last_metre_; }

  // Stores the seeds: metre 0 = (0, 0), metre 1 = (0, 1), as 16-bit integers.
  void seed();
  bool seeded() const { return seeded_; }

  // The next metre to compute; every metre from 2 below it holds a double.
  int32_t cursor() const { return cursor_; }
  // The point at cursor() is the one before it plus the last step D turned
  // by k: (D.x + k D.y, D.y - k D.x); with k = 0 the step is repeated as it
  // is. Adds `metres` such points and advances the cursor past them. The
  // caller checks that they end at last_metre() or before and that the plan
  // is seeded.
  void step(double k, int32_t metres = 1);
  // Stores the point at cursor() as given and advances it. Same checks.
  void append(double x, double y);

  Tag tag(int32_t m) const;
  // Coordinates as reals; an empty coordinate reads as 0. Works the points
  // out from the seeds up to m: for reading a few points, not the plan.
  double x(int32_t m) const { return point(m).x; }
  double y(int32_t m) const { return point(m).y; }

  // A point of the plan, in metres.
  struct Point {
    double x = 0, y = 0;
  };

  // Reads the computed points in order, metre 2 first, a batch at a time.
  // The plan must not change while it is read.
  class Reader {
   public:
    explicit Reader(const TrackPlan& plan) : plan_(plan) {}
    // Fills xs and ys with the next points, at most n; returns how many,
    // 0 once every point up to cursor() - 1 has been read.
    size_t read(double* xs, double* ys, size_t n);

   private:
    const TrackPlan& plan_;
    size_t run_ = 0;     // the run being read
    int32_t done_ = 0;   // its points read so far
    Point p0_{0, 0}, p1_{0, 1};  // the last two points read
  };

 private:
  // Metres one after the other, either worked out with curvature k or, for
  // appended points, stored from `stored_at` in xs_ and ys_.
  struct Run {
    int32_t count = 0;
    double k = 0;
    bool stored = false;
    size_t stored_at = 0;
  };

  Point point(int32_t m) const;
  // The run that takes the point at cursor().
  Run& run_for_next(bool stored, double k);

  bool created_ = false;
  bool seeded_ = false;
  int32_t last_metre_ = 0;
  int32_t cursor_ = 2;
  std::vector<Run> runs_;
  std::vector<double> xs_, ys_;  // appended points only
};

}  // namespace scenarioc
