// Which source row put each occupant into the route: a side table beside
// the route, for the notes that point an author at the row behind a taken
// cell ("the speed board in cell 78 comes from here"). The route cells
// themselves are what the simulator reads and do not carry it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scenarioc {

// A row of a source that wrote an occupant.
struct SourceRow {
  uint8_t file = 0;      // 0 the line file, 1 the train file
  int32_t line = 0;      // 1-based
  size_t offset = 0;     // of the row's key in its source
  int32_t position = 0;  // the row's position as the author wrote it, m
};

class RouteOrigins {
 public:
  // Forgets every row; cells 0 to cells - 1 have no origin.
  void reset(size_t cells);

  // The parser has read the key of a row; the next mark() belongs to it.
  void begin_row(uint8_t file, int32_t line, size_t offset) {
    pending_ = SourceRow{file, line, offset, 0};
    pending_id_ = 0;
  }
  // The current row wrote the occupant of `cell`; `position` is its
  // position as written. Cells outside the route are ignored.
  void mark(int64_t cell, int32_t position);
  // The finishing pass placed a point in `cell` for the occupant of `for_cell`.
  void mark_placed(int64_t cell, int64_t for_cell);

  // The row behind the occupant of `cell`, or null.
  const SourceRow* row_of(int64_t cell) const;
  // Whether the occupant of `cell` is a point the finishing pass placed.
  bool placed(int64_t cell) const;

 private:
  static constexpr uint32_t kPlaced = 0x80000000u;
  std::vector<SourceRow> rows_;   // rows_[0] stands for "no row"
  std::vector<uint32_t> cells_;   // index into rows_, kPlaced for a placed point
  SourceRow pending_;
  uint32_t pending_id_ = 0;
};

}  // namespace scenarioc
