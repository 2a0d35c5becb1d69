#include "compiler/cell_writers.h"
#include "compiler/route_cell.h"
#include "model/error_codes.h"

namespace scenarioc {
int32_t memo_indicatori_v_max(Scenario& s, int32_t posizione, int32_t vas,
                              int32_t vbs, int32_t vcs, int32_t strisces,
                              int32_t vad, int32_t vbd, int32_t vcd,
                              int32_t strisced) {
  const int64_t at = item_cell(posizione);
  RouteCell& board = route_cell(s, at, [&] {
    return "the board of maximum speeds at " + in_metres(posizione);
  });
  if (!is_free(board)) return number(ErrorCode::kSpeedBoardCellTaken);

  board.kind = kSpeedBoard;
  s.origins.mark(at, posizione);
  board.code1 = board_code(vad, vas);
  board.code2 = board_code(vbd, vbs);
  board.code3 = board_code(vcd, vcs);
  board.code4 = tens_code(strisces, strisced);
  return 0;
}

}  // namespace scenarioc
