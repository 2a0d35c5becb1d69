// The finishing walk: the braking points the route gets once every item is
// placed, in front of signals behind a slow-down's warning board and before,
// inside and after each slow-down. It is written once, over a view of the
// cells: the finishing pass runs it over the scenario it finishes, and the
// decompiler replays it over a compiled route to tell the points it placed
// from the points an author wrote.
//
// A view provides:
//   int64_t last_cell()                  the route's last cell (cell_count)
//   bool exists(int64_t c)               c is a cell of the route
//   bool is_kind(int64_t c, uint8_t k)   c exists and holds an occupant of kind k
//   bool is_free(int64_t c)              c exists and may take a point
//   void place(int64_t c, int64_t for_c) puts a point of kPointValue in c, for the occupant of for_c
//   void lower(int64_t c)                lowers the point in c to kPointValue
//   int16_t code1(int64_t c)             code1 of c (a slow-down start's speed)
// and is told where no cell could take a point:
//   no_point_behind_board(board, signal), no_point_before_start(start, nearest,
//   farthest), no_point_inside(start, due), no_point_before_signal(end, signal).
#pragma once

#include <cstdint>

#include "model/scenario_tables.h"

namespace scenarioc {

inline constexpr int16_t kNoInnerPoints = 110;   // slow-downs this fast get no inner points
inline constexpr int kBoardReach = 20;           // cells behind a warning board
inline constexpr int kLowestSignal = 3;          // leaves two cells in front of the signal
inline constexpr int kInnerSpacing = 8;          // cells between points inside a slow-down
inline constexpr int kSignalSearch = 12;         // cells searched after a slow-down's end
inline constexpr int kFrontGroups[] = {5, 11, 18};  // nearest cell of each group in front

template <typename View>
class FinishingWalk {
 public:
  explicit FinishingWalk(View& v) : v_(v) {}

  // Over cells 1 to cell_count - 2: every warning board and slow-down start.
  void run() {
    const int64_t last = v_.last_cell() - 2;
    for (int64_t c = 1; c <= last && v_.exists(c); ++c) {
      if (v_.is_kind(c, kWarningBoard)) {
        points_behind_board(c);
      } else if (v_.is_kind(c, kSlowDownStart)) {
        finish_slow_down(c);
      }
    }
  }

 private:
  // Every signal up to 20 cells behind the board needs a point in one of the
  // two cells in front of it; an existing point there is lowered to 180.
  void points_behind_board(int64_t board) {
    for (int k = 1; k <= kBoardReach; ++k) {
      const int64_t d = board - k;
      if (d < kLowestSignal) return;
      if (!v_.is_kind(d, kSignal)) continue;
      if (v_.is_free(d - 1)) {
        v_.place(d - 1, d);
      } else if (v_.is_free(d - 2)) {
        v_.place(d - 2, d);
      } else if (v_.is_kind(d - 1, kPointWithValue)) {
        v_.lower(d - 1);
      } else if (v_.is_kind(d - 2, kPointWithValue)) {
        v_.lower(d - 2);
      } else {
        v_.no_point_behind_board(board, d);
      }
    }
  }

  // One point 5 to 7, one 11 to 13 and one 18 to 20 cells in front of the
  // start; only a free cell satisfies a group.
  void points_before_start(int64_t start) {
    for (const int nearest : kFrontGroups) {
      const int64_t farthest = nearest + 2;
      if (start <= farthest) continue;
      bool placed = false;
      for (int64_t b = nearest; b <= farthest && !placed; ++b) {
        if (v_.is_free(start - b)) {
          v_.place(start - b, start);
          placed = true;
        }
      }
      if (!placed) v_.no_point_before_start(start, nearest, farthest);
    }
  }

  // Walks from the start to its end cell placing a point every 8 cells, each
  // counted from the cell that actually took the previous one. Returns the
  // cell where the walk stopped: the end cell, or the last cell of the route.
  int64_t points_inside(int64_t start) {
    int64_t n = 0;
    int64_t w = start;
    for (;;) {
      ++w;
      ++n;
      if (n == kInnerSpacing) {
        if (v_.is_free(w)) {
          v_.place(w, start);
          n = 0;
        } else if (v_.is_free(w - 1)) {
          v_.place(w - 1, start);
          n = 1;
        } else if (v_.is_free(w + 1)) {
          v_.place(w + 1, start);
          n = -1;
        } else {
          // n goes on counting past 8, so no further point is due.
          v_.no_point_inside(start, w);
        }
      }
      if (v_.is_kind(w, kSlowDownEnd) || w >= v_.last_cell()) return w;
    }
  }

  // The end cell of a slow-down too fast for inner points, or -1 if none.
  int64_t end_after(int64_t start) {
    for (int64_t c = start + 1; c <= v_.last_cell(); ++c)
      if (v_.is_kind(c, kSlowDownEnd)) return c;
    return -1;
  }

  // The first signal within 12 cells from the end needs a point in one of
  // the two cells in front of it.
  void point_before_next_signal(int64_t end) {
    for (int64_t sig = end; sig <= end + kSignalSearch && sig <= v_.last_cell(); ++sig) {
      if (!v_.is_kind(sig, kSignal)) continue;
      if (sig - 1 <= 0) return;
      if (v_.is_free(sig - 1)) {
        v_.place(sig - 1, sig);
      } else if (v_.is_free(sig - 2)) {
        v_.place(sig - 2, sig);
      } else {
        v_.no_point_before_signal(end, sig);
      }
      return;
    }
  }

  void finish_slow_down(int64_t start) {
    points_before_start(start);
    int64_t end;
    if (v_.code1(start) < kNoInnerPoints) {
      end = points_inside(start);
    } else {
      end = end_after(start);
      if (end < 0) return;
    }
    point_before_next_signal(end);
  }

  View& v_;
};

}  // namespace scenarioc
