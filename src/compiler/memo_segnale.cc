#include "compiler/cell_writers.h"
#include "compiler/route_cell.h"
#include "model/error_codes.h"

namespace scenarioc {

int32_t memo_segnale(Scenario& s, int32_t posizione, int32_t sx, int32_t s1,
                     int32_t s2, int32_t s3, int32_t rapp, int32_t dx,
                     int32_t d1, int32_t d2, int32_t d3, int32_t& tempo) {
  const int64_t at = item_cell(posizione);
  RouteCell& signal =
      route_cell(s, at, [&] { return "the signal at " + in_metres(posizione); });
  if (!is_free(signal)) return number(ErrorCode::kSignalCellTaken);

  signal.kind = kSignal;
  s.origins.mark(at, posizione);
  const int64_t x = int64_t{sx} * 3 + dx;
  signal.code4 = signal_code4(rapp, x);
  signal.code1 = tens_code(s1, d1);
  signal.code2 = tens_code(s2, d2);
  signal.code3 = tens_code(s3, d3);

  // A time of 1 to 100 is too short for the simulator: it becomes 101, and
  // the caller sees the time as stored.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  signal.signal_time = signal_time_byte(sx, tempo);

  // The advance codes 100, 200, 300 and 400 m before the signal go over
  // whatever occupies those cells.
  for (int64_t k = 1; k <= 4; ++k) {
    RouteCell& repeat = route_cell(s, at - 2 * k, [&] {
      return "the repeat cell " + in_metres(100 * k) + " before the signal at " +
             in_metres(posizione);
    });
    repeat.repeat_code = signal_repeat_code(x, static_cast<int>(k));
  }
  return 0;
}

}  // namespace scenarioc
