#include "decompiler/finishing_points.h"

#include <algorithm>

#include "finishing/finishing_walk.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

constexpr size_t kMostRuns = 20000;

struct Contradiction {};

// The finishing walk replayed over the route before the pass ran: the
// compiled route, except that each point of 180 is either the pass's own (free when the pass first asks, then placed),
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
  void run() { FinishingWalk<GuidedPass>(*this).run(); }

  size_t answered() const { return next_; }
  bool authors(size_t c) const { return state_[c] == kAuthors || state_[c] == kUnknown; }
  bool point(size_t c) const { return state_[c] != kNotAPoint; }

  // The view the walk asks (finishing_walk.h).
  int64_t last_cell() const { return last_; }
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
  bool is_free(int64_t c) {
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
  void place(int64_t c, int64_t) { state_[static_cast<size_t>(c)] = kPlaced; }
  // Lowering an existing point to 180 changes no kind.
  void lower(int64_t) {}
  int16_t code1(int64_t c) const { return cells_[static_cast<size_t>(c)].code1; }
  // Where the pass found no cell it placed nothing: nothing to follow.
  void no_point_behind_board(int64_t, int64_t) {}
  void no_point_before_start(int64_t, int, int64_t) {}
  void no_point_inside(int64_t, int64_t) {}
  void no_point_before_signal(int64_t, int64_t) {}

 private:
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
