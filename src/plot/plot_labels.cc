#include "plot/plot_labels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace scenarioc {
namespace {

// Advance widths of the printable ASCII characters, space to tilde, in
// hundredths of the font size: DejaVu Sans, regular and bold.
constexpr float kRegular[95] = {
    31.8, 40.1, 46.0, 83.8, 63.6, 95.0, 78.0, 27.5, 39.0, 39.0, 50.0, 83.8, 31.8, 36.1, 31.8, 33.7,
    63.6, 63.6, 63.6, 63.6, 63.6, 63.6, 63.6, 63.6, 63.6, 63.6, 33.7, 33.7, 83.8, 83.8, 83.8, 53.1,
    100,  68.4, 68.6, 69.8, 77.0, 63.2, 57.5, 77.5, 75.2, 29.5, 29.5, 65.6, 55.7, 86.3, 74.8, 78.7,
    60.3, 78.7, 69.5, 63.5, 61.1, 73.2, 68.4, 98.9, 68.5, 61.1, 68.5, 39.0, 33.7, 39.0, 83.8, 50.0,
    50.0, 61.3, 63.5, 53.2, 63.5, 56.7, 35.2, 63.5, 63.4, 27.8, 27.8, 57.9, 27.8, 97.4, 63.4, 55.0,
    63.5, 63.5, 38.4, 52.1, 39.2, 63.4, 59.2, 81.8, 59.2, 59.2, 52.5, 63.6, 33.7, 63.6, 83.8};
constexpr float kBold[95] = {
    34.8, 45.6, 52.1, 83.8, 69.6, 100.2, 87.2, 30.6, 45.7, 45.7, 52.3, 83.8, 38.0, 41.5, 38.0, 36.5,
    69.6, 69.6, 69.6, 69.6, 69.6, 69.6,  69.6, 69.6, 69.6, 69.6, 40.0, 40.0, 83.8, 83.8, 83.8, 58.0,
    100,  77.4, 76.2, 73.4, 83.0, 68.3,  68.3, 82.1, 83.7, 37.2, 37.2, 77.5, 63.7, 99.5, 83.7, 85.0,
    73.3, 85.0, 77.0, 72.0, 68.2, 81.2,  77.4, 110.3, 77.1, 72.4, 72.5, 45.7, 36.5, 45.7, 83.8, 50.0,
    50.0, 67.5, 71.6, 59.3, 71.6, 67.8,  43.5, 71.6, 71.2, 34.3, 34.3, 66.5, 34.3, 104.2, 71.2, 68.7,
    71.6, 71.6, 49.3, 59.5, 47.8, 71.2,  65.2, 92.4, 64.5, 65.2, 58.2, 71.2, 36.5, 71.2, 83.8};
// A character beyond ASCII: as wide as the widest capitals.
constexpr double kOther = 100;

// The place around a point: a ring distance and a direction.
struct Slot {
  double r;
  double dx, dy;
};

std::vector<Slot> slots(double reach) {
  // Right and left first (names read along), then above and below, then
  // the diagonals and the directions between.
  static constexpr double kDirections[][2] = {
      {1, 0},       {-1, 0},      {0, -1},      {0, 1},       {0.71, -0.71}, {-0.71, -0.71},
      {0.71, 0.71}, {-0.71, 0.71}, {0.92, -0.38}, {-0.92, -0.38}, {0.92, 0.38}, {-0.92, 0.38},
      {0.38, -0.92}, {-0.38, -0.92}, {0.38, 0.92}, {-0.38, 0.92}};
  std::vector<Slot> out;
  for (double r = 5; r <= reach; r = r < 20 ? r + 9 : r * 1.35)
    for (const auto& d : kDirections) out.push_back({r, d[0], d[1]});
  return out;
}

// The box of a label set at ring r in direction (dx, dy): its nearest side
// faces the point.
Box box_at(const LabelRequest& l, const Slot& s) {
  const double cx = l.x + s.dx * s.r + s.dx * l.width / 2;
  const double cy = l.y + s.dy * s.r + s.dy * l.height / 2;
  return {cx - l.width / 2, cy - l.height / 2, cx + l.width / 2, cy + l.height / 2};
}

// Whether the segment from (ax, ay) to (bx, by) passes through the box.
bool segment_meets(const Box& b, double ax, double ay, double bx, double by) {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - b.x0, b.x1 - ax, ay - b.y0, b.y1 - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else {
      const double t = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
      if (t0 > t1) return false;
    }
  }
  return true;
}

}  // namespace

double text_width(std::string_view utf8, double size, bool bold) {
  const float* table = bold ? kBold : kRegular;
  double units = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x20 && c < 0x7F) units += table[c - 0x20];
    else if ((c & 0xC0) != 0x80) units += kOther;  // the first byte of a character
  }
  // Kerning and the rounding of glyph positions: a small margin.
  return units / 100 * size * 1.03 + 1;
}

std::vector<PlacedLabel> place_labels(const std::vector<LabelRequest>& labels, const Box& area,
                                      std::vector<Box> taken,
                                      const std::vector<Obstacle>& obstacles) {
  const double reach = std::max(area.width(), area.height());
  const std::vector<Slot> ring = slots(reach);
  std::vector<PlacedLabel> out(labels.size());
  constexpr double kGap = 2;
  for (size_t i = 0; i < labels.size(); ++i) {
    const LabelRequest& l = labels[i];
    double best = std::numeric_limits<double>::infinity();
    double fallback_best = best;
    PlacedLabel chosen, fallback;
    for (size_t k = 0; k < ring.size(); ++k) {
      const Slot& s = ring[k];
      // Past a free place found on a nearer ring, farther ones cost more.
      if (s.r > best) break;
      const Box b = box_at(l, s);
      if (!b.inside(area)) continue;
      double cost = s.r + static_cast<double>(k % 16) * 0.25;
      const bool leader = s.r > 8;
      const double lx = std::clamp(l.x, b.x0, b.x1), ly = std::clamp(l.y, b.y0, b.y1);
      bool blocked = false;
      double covered = 0;
      for (const Box& t : taken) {
        if (b.overlaps(t, kGap)) {
          blocked = true;
          const double w = std::min(b.x1, t.x1) - std::max(b.x0, t.x0);
          const double h = std::min(b.y1, t.y1) - std::max(b.y0, t.y0);
          covered += std::max(0.0, w + kGap) * std::max(0.0, h + kGap);
        } else if (leader && segment_meets(t, l.x, l.y, lx, ly)) {
          blocked = true;
          covered += 20;
        }
      }
      Box grown{b.x0 - 1, b.y0 - 1, b.x1 + 1, b.y1 + 1};
      for (const Obstacle& o : obstacles)
        if (grown.contains(o.x, o.y)) cost += o.cost;
      PlacedLabel p{true, b, leader, lx, ly};
      if (blocked) {
        const double c = cost + covered * 10;
        if (c < fallback_best) {
          fallback_best = c;
          fallback = p;
        }
        continue;
      }
      if (cost < best) {
        best = cost;
        chosen = p;
      }
    }
    if (chosen.shown) out[i] = chosen;
    else if (l.required && fallback.shown) out[i] = fallback;
    if (out[i].shown) taken.push_back(out[i].box);
  }
  return out;
}

std::vector<double> spread_labels(const std::vector<double>& anchors, double pitch, double lo,
                                  double hi) {
  const size_t n = anchors.size();
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return anchors[a] < anchors[b]; });
  // Runs of labels that touch, each placed where its members sit nearest
  // their anchors on average; a run that meets the one before merges with it.
  struct Run {
    size_t first, count;
    double sum;  // of anchor - k * pitch over its members k = 0, 1, ...
    double start;
  };
  auto settle = [&](Run& r) {
    r.start = r.sum / static_cast<double>(r.count);
    const double last_start = hi - static_cast<double>(r.count - 1) * pitch;
    r.start = std::max(std::min(r.start, last_start), lo);
  };
  std::vector<Run> runs;
  for (size_t i = 0; i < n; ++i) {
    Run r{i, 1, anchors[order[i]], 0};
    settle(r);
    while (!runs.empty() &&
           runs.back().start + static_cast<double>(runs.back().count) * pitch > r.start) {
      Run prev = runs.back();
      runs.pop_back();
      prev.sum += r.sum - static_cast<double>(r.count * prev.count) * pitch;
      prev.count += r.count;
      settle(prev);
      r = prev;
    }
    runs.push_back(r);
  }
  std::vector<double> out(n);
  for (const Run& r : runs)
    for (size_t k = 0; k < r.count; ++k)
      out[order[r.first + k]] = r.start + static_cast<double>(k) * pitch;
  return out;
}

}  // namespace scenarioc
