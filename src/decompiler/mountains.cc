#include "decompiler/mountains.h"

#include <algorithm>

namespace scenarioc {
namespace {

constexpr int kMostStretches = kMountainEntries - 1;  // 80
// A stretch starting within 150 m (three cells) of the end of the stretch
// called before it stores type 3: cells s and e' + 1 must lie 4 cells apart.
constexpr int64_t kCloseCells = 4;

// Cells s to e, all of type v. A marked stretch sets a marker every fourth
// cell counted from s: s + 3, s + 7, ... The cells own_s to own_e take their
// type from this stretch; the others it paints are painted over by later
// calls (it reaches past its own cells only to set a marker there).
struct Piece {
  int64_t s = 0, e = 0, own_s = 0, own_e = 0;
  uint8_t v = 0;
  bool marked = false;
  std::vector<size_t> after;  // pieces that must be called after this one
  int waiting = 0;            // pieces that must be called before it, not yet called
  bool called = false;
};

class Solver {
 public:
  explicit Solver(const std::vector<RouteCell>& route) : route_(route) {
    last_ = static_cast<int64_t>(route.size()) - 1;
    covered_.assign(route.size(), false);
  }

  MountainLines solve();

 private:
  uint8_t type(int64_t c) const { return route_[static_cast<size_t>(c)].mountain; }
  uint8_t kind(int64_t c) const { return route_[static_cast<size_t>(c)].kind; }
  bool marker(int64_t c) const { return kind(c) == kMountainMarker; }
  bool open_marker(int64_t c) const { return marker(c) && !covered_[static_cast<size_t>(c)]; }
  static bool fourth(int64_t c, int64_t lattice) { return (c - lattice) % 4 == 0; }

  // The last cell up to `limit` that a marked stretch with its fourth cells
  // congruent to `lattice` can cover from `from` on: every marker no other
  // stretch sets on its fourth cells, none of its fourth cells without an
  // occupant (a marker is only ever replaced by another occupant).
  int64_t marked_reach(int64_t from, int64_t lattice, int64_t limit) const {
    int64_t e = from - 1;
    for (int64_t c = from; c <= limit; ++c) {
      if (fourth(c, lattice) ? kind(c) == kEmpty : open_marker(c)) break;
      e = c;
    }
    return e;
  }

  int64_t next_open_marker(int64_t from, int64_t limit) const {
    for (int64_t c = from; c <= limit; ++c)
      if (open_marker(c)) return c;
    return limit + 1;
  }

  void add(Piece p) {
    if (p.marked)
      for (int64_t c = p.s + 3; c <= p.e; c += 4)
        if (marker(c)) covered_[static_cast<size_t>(c)] = true;
    pieces_.push_back(std::move(p));
  }
  void reach_on(Piece& p);
  void cover_run(int64_t a, int64_t b, uint8_t v);
  void merge_around_threes();
  void order_repaints();

  const std::vector<RouteCell>& route_;
  int64_t last_ = 0;
  std::vector<bool> covered_;  // markers set by the stretches laid so far
  std::vector<Piece> pieces_;
  std::string problem_;
};

// A marked stretch that ends where its run of types ends may go on under
// the next run to set the markers it left there: a stretch that another
// paints over in part, as when the next one starts before it ends.
void Solver::reach_on(Piece& p) {
  const int64_t lattice = p.s + 3;
  if (fourth(p.e + 4, lattice)) return;  // the next run's own stretch sets them
  int64_t to = p.e;
  for (int64_t c = p.e + 1; c <= std::min(last_, p.e + 12); ++c) {
    if (!fourth(c, lattice)) continue;
    if (kind(c) == kEmpty) break;
    if (open_marker(c)) to = c;
  }
  p.e = to;
}

// Lays the pieces of one run of equal types, left to right; a run of type
// 0 needs pieces only where markers lie.
void Solver::cover_run(int64_t a, int64_t b, uint8_t v) {
  int64_t cur = a;
  while (cur <= b) {
    const int64_t reach_marked = marked_reach(cur, cur + 3, b);
    const int64_t reach_plain = next_open_marker(cur, b) - 1;
    if (std::max(reach_marked, reach_plain) >= cur) {
      const bool marked = reach_marked > reach_plain;
      int64_t e = marked ? reach_marked : reach_plain;
      // The marker that stopped the piece is the fourth cell of the next
      // one: end three cells before it, if this piece can, so that the next
      // starts on its own cells.
      const int64_t next = next_open_marker(e + 1, b);
      if (next <= b && next - 3 <= e) {
        int64_t keep = cur;  // this piece's own last marker
        if (marked)
          for (int64_t c = cur + 3; c <= e; c += 4)
            if (marker(c)) keep = c;
        if (next - 4 >= keep) e = next - 4;
      }
      Piece p{cur, e, cur, e, v, marked, {}, 0, false};
      if (marked && e == b) reach_on(p);
      if (marked || v != 0) add(std::move(p));
      cur = e + 1;
      continue;
    }
    // A marker in the first three cells: its stretch starts three cells
    // earlier, and what it paints there is painted over afterwards.
    const int64_t s = cur - 3;
    if (s < 0) {
      problem_ = "the marker in cell " + std::to_string(cur) +
                 " lies too near the start of the route for any stretch to set it";
      return;
    }
    const int64_t e = marked_reach(cur, cur, b);
    Piece p{s, e, cur, e, v, true, {}, 0, false};
    if (p.e == b) reach_on(p);
    add(std::move(p));
    cur = e + 1;
  }
}

// A stretch of type 3 inside a longer stretch of another type, as when a
// stretch starts before the one called before it ends: the longer one is
// laid whole and called first, and the type-3 one paints over it.
void Solver::merge_around_threes() {
  std::vector<Piece>& p = pieces_;
  for (size_t i = 0; i + 2 < p.size(); ++i) {
    const Piece a = p[i];
    if (a.v == 3 || a.s != a.own_s || a.e != a.own_e) continue;
    // The pieces of type 3 right after it, each painting only its own cells.
    size_t j = i + 1;
    int64_t end = a.e;
    while (j < p.size() && p[j].v == 3 && p[j].own_s == end + 1 && p[j].s == p[j].own_s)
      end = p[j++].own_e;
    if (j == i + 1 || j >= p.size() || end == a.e) continue;
    // Then the run of a's type, laid in one or more pieces.
    int64_t r1 = end;
    while (r1 + 1 <= last_ && type(r1 + 1) == a.v) ++r1;
    if (r1 == end) continue;
    size_t k = j;
    while (k < p.size() && p[k].own_s > end && p[k].own_e <= r1) ++k;
    if (k == j || p[j].own_s != end + 1 || p[k - 1].own_e != r1) continue;
    // One lattice over the whole: its fourth cells occupied, every marker
    // on it or on a type-3 piece's.
    bool ok = true;
    for (int64_t c = a.e + 1; c <= r1 && ok; ++c) {
      const bool on_a = a.marked && fourth(c, a.s + 3);
      if (on_a) {
        ok = kind(c) != kEmpty;
      } else if (marker(c)) {
        ok = false;
        for (size_t q = i + 1; q < j; ++q)
          if (p[q].marked && c >= p[q].s && c <= p[q].own_e && fourth(c, p[q].s + 3)) ok = true;
      }
    }
    if (!ok) continue;
    // The longer piece sets the markers the type-3 ones reached on for, and
    // those in their own cells when they lie on its fourth cells.
    for (size_t q = i + 1; q < j; ++q) {
      p[q].e = p[q].own_e;
      bool own_markers = false;
      for (int64_t c = p[q].s; c <= p[q].e; ++c)
        if (marker(c) && !(a.marked && fourth(c, a.s + 3))) own_markers = true;
      if (!own_markers) p[q].marked = false;
    }
    p[i].e = r1;
    p[i].own_e = r1;  // the type-3 pieces, later in the list, keep their own cells
    p.erase(p.begin() + static_cast<std::ptrdiff_t>(j), p.begin() + static_cast<std::ptrdiff_t>(k));
  }
}

// A piece that paints cells it does not own must be called before the
// pieces that own them; cells it paints that no piece owns had type 0 and
// get a piece of type 0 painted after it.
void Solver::order_repaints() {
  // Pieces later in the list own their cells over earlier ones that span them.
  std::vector<int64_t> owner(static_cast<size_t>(last_ + 1), -1);
  for (size_t i = 0; i < pieces_.size(); ++i)
    for (int64_t c = pieces_[i].own_s; c <= pieces_[i].own_e; ++c)
      owner[static_cast<size_t>(c)] = static_cast<int64_t>(i);
  const size_t n = pieces_.size();
  for (size_t i = 0; i < n; ++i) {
    for (int64_t c = pieces_[i].s; c <= pieces_[i].e; ++c) {
      int64_t o = owner[static_cast<size_t>(c)];
      if (o == static_cast<int64_t>(i)) continue;
      if (o < 0 && pieces_[i].v == 0) continue;  // type 0 over type 0
      if (o < 0) {
        const int64_t limit = c < pieces_[i].own_s ? pieces_[i].own_s - 1 : pieces_[i].e;
        int64_t e = c;
        while (e + 1 <= limit && owner[static_cast<size_t>(e + 1)] < 0) ++e;
        pieces_.push_back({c, e, c, e, 0, false, {}, 0, false});
        o = static_cast<int64_t>(pieces_.size()) - 1;
        for (int64_t k = c; k <= e; ++k) owner[static_cast<size_t>(k)] = o;
      }
      // An owner of the same type may come before or after: the bytes agree.
      if (pieces_[static_cast<size_t>(o)].v == pieces_[i].v) continue;
      std::vector<size_t>& after = pieces_[i].after;
      if (std::find(after.begin(), after.end(), static_cast<size_t>(o)) == after.end()) {
        after.push_back(static_cast<size_t>(o));
        ++pieces_[static_cast<size_t>(o)].waiting;
      }
    }
  }
}

// The type to write for a stored type: above 10 asks for markers and
// stores 10 less; the stored type keeps its low 8 bits.
int32_t tipo_for(uint8_t v, bool marked) {
  if (v == 3) return marked ? 13 : 3;
  if (marked) return v >= 1 ? v + 10 : 266;
  return v <= 10 ? v : int32_t{v} - 256;
}

MountainLines Solver::solve() {
  MountainLines out;
  for (int64_t a = 0; a <= last_ && problem_.empty();) {
    int64_t b = a;
    while (b + 1 <= last_ && type(b + 1) == type(a)) ++b;
    cover_run(a, b, type(a));
    a = b + 1;
  }
  if (problem_.empty()) {
    merge_around_threes();
    order_repaints();
  }
  if (!problem_.empty()) {
    out.problem = problem_;
    return out;
  }

  // Calls in rising order as far as the type-3 rule allows; where no piece
  // can follow the last call, an empty stretch ends 200 m before the next.
  const int64_t last_start = last_ - 2;  // a stretch's start leaves 100 m after it
  bool have_last = false;
  int64_t last_end = 0;
  for (size_t done = 0; done < pieces_.size(); ++done) {
    int64_t pick = -1, fallback = -1;
    for (size_t i = 0; i < pieces_.size(); ++i) {
      const Piece& p = pieces_[i];
      if (p.called || p.waiting > 0) continue;
      const bool fits = p.v == 3 || !have_last || p.s >= last_end + kCloseCells + 1;
      if (fits && (pick < 0 || p.s < pieces_[static_cast<size_t>(pick)].s)) pick = static_cast<int64_t>(i);
      if (fallback < 0 || p.s < pieces_[static_cast<size_t>(fallback)].s) fallback = static_cast<int64_t>(i);
    }
    if (fallback < 0) {
      out.problem = "no order of the mountain stretches paints every cell with its type";
      out.lines.clear();
      return out;
    }
    if (pick < 0) {
      pick = fallback;
      const int64_t s = pieces_[static_cast<size_t>(pick)].s;
      out.lines.push_back({static_cast<int32_t>(50 * s), static_cast<int32_t>(50 * s - 200), 0,
                           "an empty stretch: the stretch after it starts within 150 m of "
                           "the end of the one before and would be stored as type 3"});
    }
    Piece& p = pieces_[static_cast<size_t>(pick)];
    if (p.s > last_start) {
      out.problem = "the mountain type of cell " + std::to_string(p.s) +
                    " starts too near the end of the route for a stretch to begin there";
      out.lines.clear();
      return out;
    }
    p.called = true;
    for (size_t j : p.after) --pieces_[j].waiting;
    have_last = true;
    last_end = p.e;
    std::string why;
    const int32_t tipo = tipo_for(p.v, p.marked);
    if (p.own_s > p.s)
      why = "this stretch starts three cells early to set the marker of cell " +
            std::to_string(p.own_s) + "; the stretches after it give those cells their type";
    else if (tipo < 0 || tipo > 255)
      why = "type " + std::to_string(p.v) + (p.marked ? " with" : " without") +
            " markers: the type is stored in one byte and types above 10 ask for markers";
    out.lines.push_back({static_cast<int32_t>(50 * p.s), static_cast<int32_t>(50 * (p.e + 1)), tipo, why});
  }
  if (static_cast<int>(out.lines.size()) > kMostStretches) {
    out.problem = "the mountain types need " + std::to_string(out.lines.size()) +
                  " stretches, more than the " + std::to_string(kMostStretches) +
                  " a line may hold";
    out.lines.clear();
  }
  return out;
}

}  // namespace

MountainLines mountain_lines(const std::vector<RouteCell>& route) {
  return Solver(route).solve();
}

}  // namespace scenarioc
