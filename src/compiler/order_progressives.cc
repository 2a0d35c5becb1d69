#include "compiler/order_progressives.h"

#include <cstdint>
#include <limits>
#include <string>

#include "compiler/runtime_failure.h"
#include "model/kilometric.h"

namespace scenarioc {
namespace {

// The three fields of a progressive: where it applies, its value, its flag.
struct Progressive {
  int32_t a = 0;
  int32_t b = 0;
  int32_t flag = 0;
};

}  // namespace

void order_progressives(Scenario& s) {
  // old[0..2] are rows 81..83 as they stand; every test reads these.
  Progressive old[3];
  for (int r = 0; r < 3; ++r) {
    const ScenarioRecord& rec = s.scenario_table[kProgressiveRows[r]];
    old[r] = {rec.start_pos, rec.stop_pos, rec.position};
  }
  Progressive now[3] = {old[0], old[1], old[2]};

  const int64_t sum = int64_t{old[0].a} + old[1].a + old[2].a;
  if (sum != 0) {
    // Farthest start first. The greatest start must be alone; of the other
    // two, the farther goes second, and on a tie the one from the later row.
    int greatest = -1;
    for (int r = 0; r < 3; ++r) {
      const int p = (r + 1) % 3, q = (r + 2) % 3;
      if (old[r].a > old[p].a && old[r].a > old[q].a) greatest = r;
    }
    if (greatest < 0) {
      for (Progressive& p : now) p = {};
    } else {
      const int lo = greatest == 0 ? 1 : 0;  // the other two, in row order
      const int hi = greatest == 2 ? 1 : 2;
      now[0] = old[greatest];
      now[1] = old[lo].a > old[hi].a ? old[lo] : old[hi];
      now[2] = old[lo].a > old[hi].a ? old[hi] : old[lo];
    }
  } else if (old[2].b > 0) {
    now[0] = old[2];
    now[2] = old[0];
  } else if (old[1].b > 0) {
    now[0] = old[1];
    now[1] = old[0];
  } else if (old[0].b <= 0) {
    for (Progressive& p : now) p = {};
  }

  for (int r = 0; r < 3; ++r) {
    ScenarioRecord& rec = s.scenario_table[kProgressiveRows[r]];
    rec.start_pos = now[r].a;
    rec.stop_pos = now[r].b;
    rec.position = now[r].flag;
  }
  // A flag of 1 raises the value by 100 m.
  for (int r = 0; r < 3; ++r) {
    ScenarioRecord& rec = s.scenario_table[kProgressiveRows[r]];
    if (rec.position != 1) continue;
    if (rec.stop_pos > std::numeric_limits<int32_t>::max() - kProgressiveFlagRaise)
      throw RuntimeFailure("the kilometric progressive of value " +
                           std::to_string(rec.stop_pos) +
                           " m cannot be raised by 100 m: it would exceed " +
                           std::to_string(std::numeric_limits<int32_t>::max()) +
                           " m");
    rec.stop_pos += kProgressiveFlagRaise;
  }
}

}  // namespace scenarioc
