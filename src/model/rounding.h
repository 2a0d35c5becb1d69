// Every real quotient the compiler turns into a whole number is rounded to
// the nearest one, a half to the even neighbour (23.5 gives 24, 24.5 gives 24).
#pragma once

#include <cmath>
#include <cstdint>

namespace scenarioc {

// Quotients here are of whole numbers by 2, 5 or 50, so a half is exact in a
// double and rint's default to-nearest-even mode rounds it as required.
inline int64_t round_half_even(double v) {
  return static_cast<int64_t>(std::nearbyint(v));
}

// The cell of position p, p / 50 + offset, rounded.
inline int64_t cell_of(int64_t p, int offset = 0) {
  return round_half_even(static_cast<double>(p) / 50.0 + offset);
}

// A position may be placed on the route only when (p + reach) / 50 is not
// greater than the last cell; reach is 100, or 800 for a station.
inline bool within_route(int64_t p, int32_t cell_count, int reach = 100) {
  return static_cast<double>(p + reach) / 50.0 <= cell_count;
}

}  // namespace scenarioc
