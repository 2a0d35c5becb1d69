#include "compiler/running_time.h"

#include <algorithm>

namespace scenarioc {

void SpeedProfile::add_limit(int64_t from, int64_t kmh) {
  // A later row at the same place takes over from it, as its cells do.
  auto it = std::upper_bound(limits_.begin(), limits_.end(), from,
                             [](int64_t p, const Step& s) { return p < s.from; });
  if (it != limits_.begin() && std::prev(it)->from == from) {
    std::prev(it)->kmh = kmh;
    return;
  }
  limits_.insert(it, Step{from, kmh});
}

void SpeedProfile::add_slow_down(int64_t from, int64_t length, int64_t kmh) {
  if (length <= 0) return;
  slow_downs_.push_back({from, from + length, kmh});
}

int64_t SpeedProfile::limit_at(int64_t p) const {
  int64_t v = 0;
  for (const Step& s : limits_) {
    if (s.from > p) break;
    v = s.kmh;
  }
  return v;
}

int64_t SpeedProfile::speed_at(int64_t p) const {
  int64_t v = limit_at(p);
  for (const SlowDown& d : slow_downs_)
    if (p >= d.from && p < d.to) v = std::min(v, d.kmh);
  return v;
}

std::optional<double> SpeedProfile::least_seconds(int64_t a, int64_t b) const {
  if (b <= a) return 0.0;
  // The places between a and b where the limit in force may change.
  std::vector<int64_t> cuts = {a, b};
  for (const Step& s : limits_)
    if (s.from > a && s.from < b) cuts.push_back(s.from);
  for (const SlowDown& d : slow_downs_) {
    if (d.from > a && d.from < b) cuts.push_back(d.from);
    if (d.to > a && d.to < b) cuts.push_back(d.to);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  double seconds = 0;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    const int64_t v = speed_at(cuts[i]);
    if (v <= 0) return std::nullopt;
    seconds += static_cast<double>(cuts[i + 1] - cuts[i]) * 3.6 / static_cast<double>(v);
  }
  return seconds;
}

std::string duration_words(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  std::string out;
  const auto part = [&out](int64_t n, const char* unit) {
    if (!out.empty()) out += ' ';
    out += std::to_string(n) + ' ' + unit;
  };
  if (h > 0) part(h, "h");
  if (m > 0) part(m, "min");
  if (s > 0 || out.empty()) part(s, "s");
  return out;
}

std::string clock_words(int64_t seconds) {
  const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  std::string out = std::to_string(h) + (m < 10 ? ":0" : ":") + std::to_string(m);
  if (s != 0) out += (s < 10 ? ":0" : ":") + std::to_string(s);
  return out;
}

}  // namespace scenarioc
