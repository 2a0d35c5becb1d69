#include "compiler/cell_writers.h"
#include "compiler/route_cell.h"
#include "model/error_codes.h"

namespace scenarioc {

int32_t memo_rallentamento(Scenario& s, int32_t x, int32_t v, int32_t l,
                           int32_t f_tt, int32_t f_ta, int32_t d_v) {
  auto slow_down = [&] { return "the slow-down at " + in_metres(x); };

  // The warning board stands 1200 m before the start; a slow-down within the
  // first 1500 m has neither the board nor its approach cells.
  const bool warned = slow_down_warned(x);
  const SlowDownCells cells = slow_down_cells(x, l);
  RouteCell* warning = nullptr;
  const int64_t warning_at = cells.warning;
  if (warned) {
    warning = &route_cell(s, warning_at, [&] {
      return "the warning board 1200 m before " + slow_down();
    });
    if (!is_free(*warning)) return number(ErrorCode::kWarningBoardCellTaken);
  } else {
    f_ta = 0;
  }

  const int64_t start_at = cells.start;
  RouteCell& start =
      route_cell(s, start_at, [&] { return "the start of " + slow_down(); });
  if (!is_free(start)) return number(ErrorCode::kSlowDownStartCellTaken);

  const int64_t end_at = int64_t{x} + l;
  const int64_t end_cell = cells.end;
  RouteCell& end = route_cell(s, end_cell, [&] {
    return "the end of the slow-down from " + in_metres(x) + " to " + in_metres(end_at);
  });
  if (!is_free(end)) return number(ErrorCode::kSlowDownEndCellTaken);

  // All three cells are free: from here on the slow-down is written, and a
  // taken approach cell below no longer undoes it. The end and start may be
  // one cell, which then ends as a start.
  end.kind = kSlowDownEnd;
  if (d_v != 0) end.code2 = low16(d_v);
  start.kind = kSlowDownStart;
  if (d_v != 0) start.code2 = low16(d_v);
  if (warned) {
    warning->kind = kWarningBoard;
    if (d_v != 0) warning->code2 = low16(d_v);
    warning->code1 = low16(v);
  }
  start.code1 = low16(v);
  end.code1 = low16(v);
  start.code3 = low16(f_tt);
  end.code3 = low16(f_tt);
  s.origins.mark(end_cell, x);
  s.origins.mark(start_at, x);
  if (warned) s.origins.mark(warning_at, x);

  if (f_ta == 0) return 0;

  // The four approach cells count down from (x - 1200) / 50, which with a
  // half-way start can differ from the warning cell by one either way.
  const int64_t k = cells.approach;
  RouteCell* approach[kApproachCells];
  bool taken = false;
  for (int64_t j = 0; j < kApproachCells; ++j) {
    approach[j] = &route_cell(s, k - j, [&] {
      return "the approach cells before the warning board of " + slow_down();
    });
    if (!is_free(*approach[j])) taken = true;
  }
  if (taken) return number(ErrorCode::kApproachCellTaken);
  for (int j = 0; j < kApproachCells; ++j) {
    approach[j]->kind = kApproach;
    approach[j]->code1 = low16(j + 1);
    if (d_v != 0) approach[j]->code2 = low16(j + 1);
    s.origins.mark(k - j, x);
  }
  return 0;
}

}  // namespace scenarioc
