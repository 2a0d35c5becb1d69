// The fastest run a train can make along the line: at every metre the speed
// limit in force (the train's speed rows, lowered through each slow-down),
// taken at once and held, with no time for accelerating or braking. So the
// time it gives between two places is a true lower bound: no driver, and
// no timetable, can do better. The checks compare the timetable with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scenarioc {

class SpeedProfile {
 public:
  // A speed row: `kmh` from metre `from` on, up to the next speed row.
  // Before the first row the limit is 0 km/h, as in the compiled route.
  void add_limit(int64_t from, int64_t kmh);
  // A slow-down: at most `kmh` over [from, from + length].
  void add_slow_down(int64_t from, int64_t length, int64_t kmh);

  bool has_limits() const { return !limits_.empty(); }
  // The speed row's limit in force at metre p (slow-downs left out).
  int64_t limit_at(int64_t p) const;
  // The limit in force at metre p, slow-downs included.
  int64_t speed_at(int64_t p) const;

  // The least time from metre a to metre b (a <= b) in seconds, or nothing
  // when a stretch between them has a limit of 0 km/h or below.
  std::optional<double> least_seconds(int64_t a, int64_t b) const;

 private:
  struct Step {
    int64_t from;
    int64_t kmh;
  };
  struct SlowDown {
    int64_t from, to, kmh;
  };
  std::vector<Step> limits_;  // kept in order of position
  std::vector<SlowDown> slow_downs_;
};

// "14 min 30 s", "1 h 2 min", "45 s": a duration of whole seconds.
std::string duration_words(int64_t seconds);
// "7:22", "7:22:30": a time of day in seconds (hours may pass 24).
std::string clock_words(int64_t seconds);

}  // namespace scenarioc
