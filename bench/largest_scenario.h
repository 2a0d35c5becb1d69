// The largest scenario the formats allow, generated as text: a 1000000 m
// line with a curve every 500 m, a gradient every 100 m, 80 mountain
// stretches and 80 speed boards, and a train with 2000 signals, 78 stations
// and 80 slow-downs. Everything sits on cells of its own, so the whole
// scenario compiles and finishes without a recorded failure.
#pragma once

#include <string>

namespace scenarioc::bench {

constexpr const char* kLargestLine = "Lungavia";
constexpr const char* kLargestTrain = "9001";

std::string largest_line_source();
std::string largest_train_source();

}  // namespace scenarioc::bench
