#include "compiler/cell_writers.h"

namespace scenarioc {

void memo_montagna(Scenario&, int32_t, int32_t, int32_t&) {}
int32_t memo_indicatori_v_max(Scenario&, int32_t, int32_t, int32_t, int32_t,
                              int32_t, int32_t, int32_t, int32_t, int32_t) {
  return 0;
}
int32_t memo_segnale(Scenario&, int32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t, int32_t, int32_t, int32_t, int32_t, int32_t&) {
  return 0;
}
int32_t memo_rallentamento(Scenario&, int32_t, int32_t, int32_t, int32_t,
                           int32_t, int32_t) {
  return 0;
}

}  // namespace scenarioc
