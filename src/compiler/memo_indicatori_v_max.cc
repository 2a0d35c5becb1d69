#include "compiler/cell_writers.h"
#include "compiler/route_cell.h"

namespace scenarioc {
namespace {

// One speed pair of a board: the fifth of `d` (its fraction kept) plus 20
// times `s`, rounded. The sum stays within about 2^36, so the rounded value
// fits an int64 and only its low 16 bits are kept.
int16_t board_code(int32_t d, int32_t s) {
  return low16(round_half_even(static_cast<double>(d) / 5.0 +
                               static_cast<double>(s) * 20.0));
}

}  // namespace

int32_t memo_indicatori_v_max(Scenario& s, int32_t posizione, int32_t vas,
                              int32_t vbs, int32_t vcs, int32_t strisces,
                              int32_t vad, int32_t vbd, int32_t vcd,
                              int32_t strisced) {
  const int64_t at = cell_of(posizione, 1);
  RouteCell& board = route_cell(s, at, [&] {
    return "the board of maximum speeds at " + in_metres(posizione);
  });
  if (!is_free(board)) return 21;

  board.kind = kSpeedBoard;
  s.origins.mark(at, posizione);
  board.code1 = board_code(vad, vas);
  board.code2 = board_code(vbd, vbs);
  board.code3 = board_code(vcd, vcs);
  board.code4 = low16(int64_t{strisces} * 10 + strisced);
  return 0;
}

}  // namespace scenarioc
