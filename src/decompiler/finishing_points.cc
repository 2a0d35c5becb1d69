#include "decompiler/finishing_points.h"

#include <algorithm>

namespace scenarioc {
namespace {

constexpr int16_t kPointValue = 180;
constexpr int16_t kNoInnerPoints = 110;
constexpr int kBoardReach = 20;
constexpr int kLowestSignal = 3;
constexpr int kInnerSpacing = 8;
constexpr int kSignalSearch = 12;
constexpr int kFrontGroups[] = {5, 11, 18};
constexpr size_t kMostRuns = 20000;

struct Contradiction {};

// The finishing pass step by step as route_finishing.cc takes it, over the
// route before it ran: the compiled route, except that each point of 180 is
// either the pass's own (free when the pass first asks, then placed),
// the author's (never free), or not yet known.
class GuidedPass {
 public:
  enum State : uint8_t { kNotAPoint, kUnknown, kPlaced, kAuthors };

  GuidedPass(const std::vector<RouteCell>& cells, std::vector<char>& answers)
      : cells_(cells), answers_(answers) {
    last_ = static_cast<int64_t>(cells.size()) - 1;
    state_.assign(cells.size(), kNotAPoint);
    for (size_t c = 0; c < cells.size(); ++c)
      if (cells[c].kind == kPointWithValue && cells[c].code1 == kPointValue) state_[c] = kUnknown;
  }

  // Runs the pass; throws Contradiction where it would place a point the
  // route does not hold.
  void run() {
    for (int64_t c = 1; c <= last_ - 2; ++c) {
      if (is_kind(c, kWarningBoard)) points_behind_board(c);
      else if (is_kind(c, kSlowDownStart)) finish_slow_down(c);
    }
  }

  size_t answered() const { return next_; }
  bool authors(size_t c) const { return state_[c] == kAuthors || state_[c] == kUnknown; }
  bool point(size_t c) const { return state_[c] != kNotAPoint; }

 private:
  bool exists(int64_t c) const { return c >= 0 && c <= last_; }
  uint8_t kind(int64_t c) const {
    const State s = state_[static_cast<size_t>(c)];
    if (s == kPlaced || s == kAuthors) return kPointWithValue;
    if (s == kUnknown) return kEmpty;
    return cells_[static_cast<size_t>(c)].kind;
  }
  bool is_kind(int64_t c, uint8_t k) const {
    if (!exists(c)) return false;
    if (k == kPointWithValue) return kind(c) == kPointWithValue;
    return state_[static_cast<size_t>(c)] == kNotAPoint && cells_[static_cast<size_t>(c)].kind == k;
  }
  bool free(int64_t c) {
    if (!exists(c)) return false;
    State& s = state_[static_cast<size_t>(c)];
    if (s == kUnknown) {
      if (next_ == answers_.size()) answers_.push_back(1);
      if (answers_[next_++]) return true;
      s = kAuthors;
      return false;
    }
    if (s != kNotAPoint) return false;
    const uint8_t k = cells_[static_cast<size_t>(c)].kind;
    // A cell that stayed free: the pass would have placed a point in it.
    if (k == kEmpty || k == kMountainMarker) throw Contradiction{};
    return false;
  }
  void place(int64_t c) { state_[static_cast<size_t>(c)] = kPlaced; }

  void points_behind_board(int64_t board) {
    for (int k = 1; k <= kBoardReach; ++k) {
      const int64_t d = board - k;
      if (d < kLowestSignal) return;
      if (!is_kind(d, kSignal)) continue;
      if (free(d - 1)) place(d - 1);
      else if (free(d - 2)) place(d - 2);
      // Lowering an existing point to 180 changes no kind.
    }
  }

  void points_before_start(int64_t start) {
    for (const int nearest : kFrontGroups) {
      const int64_t farthest = nearest + 2;
      if (start <= farthest) continue;
      for (int64_t b = nearest; b <= farthest; ++b)
        if (free(start - b)) {
          place(start - b);
          break;
        }
    }
  }

  int64_t points_inside(int64_t start) {
    int64_t n = 0;
    int64_t w = start;
    for (;;) {
      ++w;
      ++n;
      if (n == kInnerSpacing) {
        if (free(w)) {
          place(w);
          n = 0;
        } else if (free(w - 1)) {
          place(w - 1);
          n = 1;
        } else if (free(w + 1)) {
          place(w + 1);
          n = -1;
        }
      }
      if (is_kind(w, kSlowDownEnd) || w >= last_) return w;
    }
  }

  int64_t end_after(int64_t start) const {
    for (int64_t c = start + 1; c <= last_; ++c)
      if (is_kind(c, kSlowDownEnd)) return c;
    return -1;
  }

  void point_before_next_signal(int64_t end) {
    for (int64_t sig = end; sig <= end + kSignalSearch && sig <= last_; ++sig) {
      if (!is_kind(sig, kSignal)) continue;
      if (sig - 1 <= 0) return;
      if (free(sig - 1)) place(sig - 1);
      else if (free(sig - 2)) place(sig - 2);
      return;
    }
  }

  void finish_slow_down(int64_t start) {
    points_before_start(start);
    int64_t end;
    if (cells_[static_cast<size_t>(start)].code1 < kNoInnerPoints) {
      end = points_inside(start);
    } else {
      end = end_after(start);
      if (end < 0) return;
    }
    point_before_next_signal(end);
  }

  const std::vector<RouteCell>& cells_;
  std::vector<char>& answers_;  // 1: the cell was free when first asked
  size_t next_ = 0;
  int64_t last_ = 0;
  std::vector<State> state_;
};

}  // namespace

std::vector<int64_t> source_points_at_180(const std::vector<RouteCell>& cells) {
  // Depth first over the answers, "free" first: a wrong answer shows within
  // a few cells, where the pass would place a point in a free cell.
  std::vector<char> answers;
  for (size_t run = 0; run < kMostRuns; ++run) {
    GuidedPass pass(cells, answers);
    try {
      pass.run();
    } catch (const Contradiction&) {
      answers.resize(pass.answered());
      while (!answers.empty() && !answers.back()) answers.pop_back();
      if (answers.empty()) break;
      answers.back() = 0;
      continue;
    }
    std::vector<int64_t> authors;
    for (size_t c = 0; c < cells.size(); ++c)
      if (pass.point(c) && pass.authors(c)) authors.push_back(static_cast<int64_t>(c));
    return authors;
  }
  // No answers fit: every point of 180 is written, and the proof says where
  // the pass differs.
  std::vector<int64_t> all;
  for (size_t c = 0; c < cells.size(); ++c)
    if (cells[c].kind == kPointWithValue && cells[c].code1 == kPointValue)
      all.push_back(static_cast<int64_t>(c));
  return all;
}

}  // namespace scenarioc
