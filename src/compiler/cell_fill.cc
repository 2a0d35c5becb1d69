// The fill rows: gradients, speed limits and adhesion, one value a cell.
#include "compiler/parser.h"
#include "model/route_rules.h"

namespace scenarioc {

void fill_up_to(Parser& p, const FillKind& kind, int64_t up_to, RouteEnd end) {
  CellFill& f = p.*kind.state;
  do {
    if (end == RouteEnd::kStops && f.cursor >= p.s.cell_count) return;
    const uint8_t byte = kind.byte_of(f);
    p.cell(f.cursor, kind.cell_name).*kind.field = byte;
    ++f.cursor;
  } while (f.cursor < up_to);
}

Flow fill_row(Parser& p, const FillKind& kind) {
  CellFill& f = p.*kind.state;
  const int32_t pos = p.reader->read_long();
  const ItemMark at = p.value_location();
  const int32_t value = p.reader->read_long();
  const ItemMark value_at = p.value_location();
  if (p.range_test(pos, kind.row_name, at) == Flow::kEndPass) return Flow::kEndPass;
  const int64_t n = cell_of(pos);
  if (n > 0) fill_up_to(p, kind, n, kind.rows_end);
  f.previous = value;
  f.previous_at = value_at;
  return Flow::kGoOn;
}

}  // namespace scenarioc
