// The fastest run along the line: a lower bound of the running time worked
// out by hand, and the words the warnings give it in.
#include <gtest/gtest.h>

#include "compiler/running_time.h"

namespace scenarioc {
namespace {

// Two stations 10 km apart; 60 km/h from 0, 120 from 2000 m, 90 from 6000 m,
// and a slow-down to 30 km/h from 7000 m over 1000 m. By hand:
//   0 -  2000 at  60: 2000 m x 3.6 / 60  = 120 s
//   2000 -  6000 at 120: 4000 m x 3.6 / 120 = 120 s
//   6000 -  7000 at  90: 1000 m x 3.6 / 90  =  40 s
//   7000 -  8000 at  30: 1000 m x 3.6 / 30  = 120 s
//   8000 - 10000 at  90: 2000 m x 3.6 / 90  =  80 s
// in all 480 s, 8 minutes.
SpeedProfile hand_worked() {
  SpeedProfile p;
  p.add_limit(0, 60);
  p.add_limit(2000, 120);
  p.add_limit(6000, 90);
  p.add_slow_down(7000, 1000, 30);
  return p;
}

TEST(RunningTime, TheLeastTimeIsTheHandWorkedOne) {
  const SpeedProfile p = hand_worked();
  ASSERT_TRUE(p.least_seconds(0, 10000).has_value());
  EXPECT_DOUBLE_EQ(*p.least_seconds(0, 10000), 480.0);
  // Part of the way: from inside the first stretch into the slow-down.
  EXPECT_DOUBLE_EQ(*p.least_seconds(1000, 7500), 60.0 + 120.0 + 40.0 + 60.0);
  EXPECT_DOUBLE_EQ(*p.least_seconds(5000, 5000), 0.0);
}

TEST(RunningTime, TheLimitInForceAndTheSlowDownTakeTheLowerSpeed) {
  const SpeedProfile p = hand_worked();
  struct Case {
    int64_t at, limit, speed;
  } cases[] = {{0, 60, 60},       {1999, 60, 60},   {2000, 120, 120}, {6999, 90, 90},
               {7000, 90, 30},    {7999, 90, 30},   {8000, 90, 90},   {-100, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(p.limit_at(c.at), c.limit) << c.at;
    EXPECT_EQ(p.speed_at(c.at), c.speed) << c.at;
  }
}

TEST(RunningTime, AStretchAtZeroGivesNoBound) {
  SpeedProfile p;
  p.add_limit(1000, 100);  // the first 1000 m at 0 km/h
  EXPECT_FALSE(p.least_seconds(0, 5000).has_value());
  EXPECT_TRUE(p.least_seconds(1000, 5000).has_value());
  SpeedProfile stopped = hand_worked();
  stopped.add_slow_down(3000, 500, 0);
  EXPECT_FALSE(stopped.least_seconds(0, 10000).has_value());
}

TEST(RunningTime, ARowAtTheSamePlaceReplacesTheOneBefore) {
  SpeedProfile p;
  p.add_limit(0, 60);
  p.add_limit(0, 120);
  EXPECT_EQ(p.limit_at(0), 120);
  EXPECT_DOUBLE_EQ(*p.least_seconds(0, 1200), 36.0);
}

TEST(RunningTime, DurationsAndTimesInWords) {
  const std::pair<int64_t, const char*> durations[] = {
      {870, "14 min 30 s"}, {720, "12 min"}, {45, "45 s"}, {0, "0 s"}, {3725, "1 h 2 min 5 s"}};
  for (const auto& [s, words] : durations) EXPECT_EQ(duration_words(s), words);
  const std::pair<int64_t, const char*> times[] = {
      {7 * 3600 + 22 * 60, "7:22"}, {7 * 3600 + 5 * 60 + 9, "7:05:09"}, {35 * 3600 + 14 * 60, "35:14"}};
  for (const auto& [s, words] : times) EXPECT_EQ(clock_words(s), words);
}

}  // namespace
}  // namespace scenarioc
