#include "decompiler/scenario_generator.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <cstdio>
#include <vector>

namespace scenarioc::testing {
namespace {

// splitmix64: the same numbers on every platform, unlike the standard
// library's distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int64_t range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool chance(int percent) { return range(0, 99) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(range(0, static_cast<int64_t>(v.size()) - 1))];
  }
  // A position: on the 50 m grid, now and then a little off it.
  int64_t position(int64_t lo, int64_t hi) {
    const int64_t p = 50 * range(lo / 50, hi / 50);
    return chance(3) ? p + range(1, 49) : p;
  }

 private:
  uint64_t state_;
};

class Writer {
 public:
  template <typename... Args>
  void line(const char* fmt, Args... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    text_ += buf;
    text_ += "\r\n";
  }
  void raw(const std::string& s) { text_ += s + "\r\n"; }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

using ll = long long;
using Cells = std::set<int64_t>;

// The cell of a position, p / 50 + offset rounded half to even.
int64_t cell(int64_t p, int offset) {
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(p) / 50.0 + offset));
}

// The mistakes a scenario carries, chosen once for it: most scenarios carry
// none beyond the collisions their items meet by chance.
enum Fault {
  kRepetitionOffGrid,   // the compile stops in the general data
  kRepetitionNoCodes,
  kLengthTooLong,
  kProgressiveOffGrid,  // recorded after the train file
  kCurveNoClass,        // stops in the line's data
  kCurvePastPlan,
  kCurveBeyondRoute,    // ends the line's data, the train is read
  kGradientBeyondRoute,
  kGradientsUnsorted,
  kBoardTwice,
  kSignOnBoard,
  kStationOffGrid,      // stops in the train file
  kStationLengthOffGrid,
  kStationBadByte,
  kStationTooClose,
  kStationNearStart,
  kStationBeyondRoute,  // ends the train's reading, the tails run
  kSignalNearStart,
  kSlowDownOnSignal,
  kPointOnSignal,
  kFaultCount
};

struct Faults {
  bool on[kFaultCount] = {};
  bool operator()(Fault f) const { return on[f]; }
};

Faults choose_faults(Random& r) {
  Faults f;
  if (r.chance(55)) return f;
  const int n = static_cast<int>(r.range(1, 2));
  for (int i = 0; i < n; ++i) f.on[r.range(0, kFaultCount - 1)] = true;
  return f;
}

const std::vector<std::string> kWords = {"BIVIO",  "PONTE",     "GALLERIA", "SASSO",  "VALLE",
                                         "MONTE",  "P.M.",      "FERM.",    "SCALO",  "CASE",
                                         "ROCCA",  "LAGO",      "\xC8 BASSO", "CIT\xC0", "\x80 5",
                                         "OLTRE",  "CAMPO",     "RIO"};

std::string name(Random& r) {
  std::string n = r.pick(kWords);
  const int more = static_cast<int>(r.range(0, 2));
  for (int i = 0; i < more; ++i) n += " " + r.pick(kWords);
  return n;
}

std::string line_file(Random& r, int64_t length, const Faults& fault, bool dense, Cells& taken) {
  Writer w;
  w.raw("[generale]");
  // Now and then a first draft of the length, which the second replaces.
  if (r.chance(3)) w.line("lunghezza percorso,    %lld", ll(r.range(3000, 500000)));
  w.line("lunghezza percorso,    %lld", ll(length));
  const char* words[] = {"uno", "due", "tre"};
  for (const char* word : words) {
    if (!r.chance(70)) continue;
    const int64_t a = word[0] == 'u' ? 0 : r.position(0, length);
    int64_t b = 50 * r.range(0, (length + 20000) / 50);
    if (fault(kProgressiveOffGrid) && word[0] == 'd') b += 7;
    w.line("progressiva chilometrica %s,    %lld,    %lld,    %lld", word, ll(a), ll(b),
           ll(r.pick(std::vector<int64_t>{0, 1, 1, 1, 2})));
  }
  w.line("sfondo uno,    %lld", ll(r.range(0, 300000)));
  w.line("sfondo due,    %lld", ll(r.range(0, 3)));
  w.line("sfondo tre,    %lld", ll(r.range(0, 2)));
  if (r.chance(90)) {
    const int64_t from = 50 * r.range(0, 20);
    const int64_t to = r.chance(10) ? 0 : 50 * r.range(from / 50, length / 50);
    const char* key = fault(kRepetitionNoCodes) ? "ripetizione segnali codici"
                      : r.chance(50)            ? "ripetizione segnali 9 codici"
                                                : "ripetizione segnali 4 codici";
    w.line("%s,    %lld,    %lld", key, ll(from + (fault(kRepetitionOffGrid) ? 10 : 0)), ll(to));
  }
  if (fault(kLengthTooLong)) w.line("lunghezza percorso,    %lld", ll(r.range(1000001, 2000000)));

  w.raw("[curve]");
  int64_t cursor = r.range(0, 2000);
  const int64_t faulty_curve = r.range(0, 8);
  for (int i = 0; cursor < length - 3000; ++i) {
    int64_t start = cursor + r.range(100, 9000);
    if (r.chance(8)) start = cursor - r.range(50, 600);  // behind the last curve's end
    int64_t len = 50 * r.range(1, 60);
    const char side = r.chance(50) ? 'd' : 's';
    if (i == faulty_curve && fault(kCurvePastPlan)) len = 20000;
    if (i == faulty_curve && fault(kCurveBeyondRoute)) start = length + 7000;
    if (i == faulty_curve && fault(kCurveNoClass)) {
      w.line("curva%cx,  %lld,  %lld", side, ll(start), ll(len));
    } else {
      w.line("curva%c%lld,  %lld,  %lld", side, ll(r.range(1, 6)), ll(start), ll(len));
    }
    cursor = std::max(cursor, start + len);
  }

  w.raw("[pendenze]");
  std::vector<std::pair<int64_t, int64_t>> gradients;
  for (int64_t p = 0; p < length + (fault(kGradientBeyondRoute) ? 7000 : 0); p += r.position(100, 4000))
    gradients.push_back({p, r.range(-30, 30)});
  if (fault(kGradientsUnsorted) && gradients.size() > 3) std::swap(gradients[1], gradients[2]);
  for (const auto& [p, g] : gradients) w.line("pendenza,  %lld,   %lld", ll(p), ll(g));

  w.raw("[montagne]");
  const int mountains = dense ? static_cast<int>(r.range(3, 10)) : r.chance(70) ? static_cast<int>(r.range(1, 7)) : 0;
  int64_t at = r.range(0, 3000);
  for (int i = 0; i < mountains && at < length; ++i) {
    const int64_t end = at + 50 * r.range(2, 120);
    const int64_t tipo = r.pick(std::vector<int64_t>{1, 2, 2, 11, 12, 12, 13, 3, 10, 0, 5});
    w.line("montagna,   %lld,  %lld,  %lld", ll(at), ll(end), ll(tipo));
    if (r.chance(25)) at = end + 50 * r.range(0, 3);        // within 150 m: type 3
    else if (r.chance(12)) at = end - 50 * r.range(1, 20);  // overlapping
    else at = end + r.position(200, 20000);
  }

  w.raw("[cartelli]");
  const int boards = static_cast<int>(dense ? r.range(5, 20) : r.range(0, 8));
  std::vector<int64_t> board_at;
  for (int i = 0; i < boards; ++i) board_at.push_back(r.position(0, length));
  if (fault(kBoardTwice) && !board_at.empty()) board_at.push_back(board_at[0]);
  std::sort(board_at.begin(), board_at.end());
  for (int64_t p : board_at) {
    if (!fault(kBoardTwice) && !taken.insert(cell(p, 1)).second) continue;
    const int64_t v = 5 * r.range(12, 50);
    const bool fine = r.chance(10);
    w.line("indicatori_vmax,  %lld,  %lld,  %lld,  %lld,  %lld,  %s,  %s,  %s,  %lld", ll(p), ll(v),
           ll(v + 10), ll(v + 20), ll(r.range(0, 2)), fine ? "3" : "", fine ? "7" : "", "",
           ll(r.range(0, 2)));
  }

  w.raw("[indicazioni]");
  if (dense || r.chance(40) || fault(kSignOnBoard)) {
    const int signs = static_cast<int>(r.range(1, 4));
    for (int i = 0; i < signs; ++i) {
      const int64_t p = fault(kSignOnBoard) && !board_at.empty() ? board_at.back() : r.position(0, length);
      if (!fault(kSignOnBoard) && !taken.insert(cell(p, 1)).second) continue;
      w.line("cartello indicatore,  %lld,  %s", ll(p), r.chance(10) ? "" : name(r).c_str());
    }
  }
  w.raw("[fine]");
  return w.take();
}

std::string train_file(Random& r, int64_t length, const Faults& fault, bool dense,
                       Cells& taken) {
  Writer general, adhesion, speeds, stations, slow_downs, signals;
  general.raw(r.chance(2) ? "[generali]" : "[generale]");  // a typo: nothing of the train is read
  general.line("numero vetture,    %lld", ll(r.range(1, 14)));
  general.line("percentuale massa frenata,    %lld", ll(r.range(60, 160)));
  general.line("sabbia,    %lld", ll(r.range(0, 400)));
  general.line("orologio,    %lld               %lld            %lld ", ll(r.range(0, 23)),
               ll(r.range(0, 59)), ll(r.range(0, 59)));

  adhesion.raw("[aderenze]");
  for (int64_t p = 0; p < length; p += r.position(500, 20000))
    adhesion.line("aderenza,  %lld,    %lld", ll(p), ll(r.chance(3) ? r.range(256, 400) : r.range(50, 100)));
  speeds.raw("[vel_limite]");
  for (int64_t p = 0; p < length; p += r.position(1000, 15000))
    speeds.line("velocita,  %lld,   %lld", ll(p), ll(r.chance(5) ? r.range(30, 250) : 5 * r.range(6, 50)));

  // Most files keep the usual order of the sections; some put the signals
  // or the slow-downs before the stations, whose stops then go over them.
  enum Section { kStations, kSlowDowns, kSignals };
  std::vector<Section> order = {kStations, kSlowDowns, kSignals};
  switch (r.range(0, 9)) {
    case 0: case 1: order = {kSignals, kStations, kSlowDowns}; break;
    case 2: order = {kSlowDowns, kStations, kSignals}; break;
    default: break;
  }

  // Stations: the stop cell of each, which the stop takes whatever it held.
  struct Station {
    std::string text;
    int64_t stop_cell;
  };
  std::vector<Station> station_list;
  int64_t pos = r.chance(50) ? 0 : 50 * r.range(0, 60);
  const int most = static_cast<int>(r.range(0, 12));
  const int faulty = static_cast<int>(r.range(0, std::max(0, most - 1)));
  if (fault(kStationNearStart)) pos = 0;
  for (int i = 0; i < most && pos < length; ++i) {
    const bool bad = i == faulty;
    int64_t type = r.pick(std::vector<int64_t>{2, 2, 11, 12, 25, 25, 6, 8, 1, 3, 5, 7});
    int64_t len = 100 * r.range(2, 12);
    if (bad && fault(kStationNearStart)) {
      type = 2;
      len = 200;
    }
    if (bad && fault(kStationLengthOffGrid)) len += 50;
    int64_t p = pos;
    if (bad && fault(kStationOffGrid)) p += 20;
    if (bad && fault(kStationBeyondRoute)) p = length + 7000;
    const char* bad_byte = bad && fault(kStationBadByte) ? "300" : "0";
    const int64_t f6 = r.range(0, 1);
    const int64_t stop = type == 5 || type == 6   ? p + 150
                         : type == 7 || type == 8 ? p + len
                                                  : p + len / 2 + (f6 != 0 ? 50 : 0);
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "stazione,  %lld, %lld, %lld,  %lld,%lld,%lld,  %lld,%lld,%s,  %lld,%lld,%lld,  %lld,  %lld,%lld,%lld, %s",
                  ll(p), ll(type), ll(len), ll(r.range(0, 1)), ll(r.range(0, 1)), ll(f6),
                  ll(r.range(0, 4)), ll(r.range(0, 1)), bad_byte, ll(r.range(0, 4)), ll(r.range(0, 1)),
                  ll(r.range(0, 1)), ll(r.pick(std::vector<int64_t>{0, 0, 1, 90, 245})),
                  ll(r.chance(30) ? r.range(5, 22) : 0), ll(r.range(0, 59)), ll(r.range(0, 59)),
                  name(r).c_str());
    station_list.push_back({buf, type < 25 ? stop / 50 - 1 : -1});
    pos += bad && fault(kStationTooClose) ? 50 * r.range(6, 18)
           : dense                         ? 50 * r.range(20, 60)
                                           : 50 * r.range(50, 400);
  }

  // Signals stand every 700 to 3000 m from the first, some closer, as in
  // stations, where their repeat codes overlap.
  std::vector<int64_t> signal_at;
  for (int64_t p = fault(kSignalNearStart) ? r.range(0, 300) : r.position(400, 3000); p < length;
       p += r.chance(dense ? 80 : 20) ? r.position(150, 650) : r.position(700, 3000))
    signal_at.push_back(p);
  if (r.chance(10)) std::reverse(signal_at.begin(), signal_at.end());
  std::vector<std::string> signal_list;
  for (size_t i = 0; i < signal_at.size(); ++i) {
    char buf[256];
    // Mostly the usual forms; now and then values far outside them, whose
    // sums and repeat codes wrap around their bytes.
    const bool odd = r.chance(4);
    std::snprintf(buf, sizeof buf, "segnale,  %lld,   %lld, %lld, %lld,  %lld, %lld,    %lld,  %lld,%lld,%lld, %lld",
                  ll(signal_at[i]), ll(odd ? r.range(0, 40) : r.range(1, 2)), ll(r.range(1, 6)),
                  ll(r.range(0, 6)), ll(r.range(0, 2)), ll(odd ? r.range(0, 9) : r.chance(20) ? 1 : 0),
                  ll(odd ? r.range(-5, 30) : r.range(0, 2)), ll(r.range(0, 2)), ll(r.range(0, 1)),
                  ll(r.range(0, 1)),
                  ll(odd ? r.range(-50, 400) : r.pick(std::vector<int64_t>{0, 0, 0, 50, 150, 300})));
    signal_list.push_back(buf);
  }

  // Slow-downs and braking points, with the cells each needs free.
  struct Item {
    std::string text;
    std::vector<int64_t> cells;
    bool meant_to_collide = false;
  };
  std::vector<Item> slow_list;
  std::vector<int64_t> slow_at;
  const int slows = dense ? static_cast<int>(r.range(2, 5)) : r.chance(60) ? static_cast<int>(r.range(1, 4)) : 0;
  for (int i = 0; i < slows; ++i) {
    const bool collide = i == 0 && fault(kSlowDownOnSignal) && !signal_at.empty();
    const int64_t x = collide ? signal_at.back() : r.position(0, length);
    const int64_t l = r.chance(5) ? r.range(-400, 40) : r.position(100, 3000);
    const int64_t f_ta = r.chance(75) ? 1 : 0;
    slow_at.push_back(x);
    char buf[256];
    std::snprintf(buf, sizeof buf, "rallentamento,  %lld,  %lld,  %lld,  %lld,  %lld,  %lld", ll(x),
                  ll(10 * r.range(3, 15)), ll(l), ll(r.range(0, 1)), ll(f_ta),
                  ll(r.chance(30) ? r.range(1, 80) : 0));
    Item it{buf, {cell(x, 1), cell(x + l, 1)}, collide};
    if (x > 1500) {
      it.cells.push_back(cell(x - 1200, 1));
      if (f_ta)
        for (int j = 0; j < 4; ++j) it.cells.push_back(cell(x - 1200, 0) - j);
    }
    slow_list.push_back(it);
  }
  // Braking points an author adds: anywhere, or where the finishing pass
  // places its own, in front of a slow-down or a signal.
  const int points = dense ? static_cast<int>(r.range(2, 6)) : r.chance(40) ? static_cast<int>(r.range(1, 4)) : 0;
  for (int i = 0; i < points; ++i) {
    int64_t p = r.position(0, length);
    const bool collide = i == 0 && fault(kPointOnSignal) && !signal_at.empty();
    if (collide) p = signal_at[0] + 50;
    else if (r.chance(40) && !slow_at.empty()) p = r.pick(slow_at) - 50 * r.range(4, 21);
    else if (r.chance(30) && !signal_at.empty()) p = r.pick(signal_at) - 50 * r.range(0, 2);
    char buf[128];
    std::snprintf(buf, sizeof buf, "abbattimento,  %lld,  %lld", ll(p),
                  ll(r.pick(std::vector<int64_t>{0, -5, 100, 150, 180, 180, 200, 250})));
    slow_list.push_back({buf, {cell(p, 0)}, collide});
  }

  // A careful author keeps every item on cells of its own, as the compiler
  // asks; others let them meet.
  const bool careful = r.chance(60);
  auto fits = [&](const std::vector<int64_t>& cells, bool collide) {
    if (!careful || collide) return true;
    for (int64_t c : cells)
      if (taken.count(c)) return false;
    return true;
  };
  std::string out = general.take() + adhesion.take() + speeds.take();
  for (Section sec : order) {
    if (sec == kStations) {
      stations.raw("[stazioni]");
      for (const Station& st : station_list) {
        stations.raw(st.text);
        if (st.stop_cell >= 0) taken.insert(st.stop_cell);
      }
      out += stations.take();
    } else if (sec == kSlowDowns) {
      slow_downs.raw("[rallentamenti]");
      for (const Item& it : slow_list) {
        if (!fits(it.cells, it.meant_to_collide)) continue;
        slow_downs.raw(it.text);
        taken.insert(it.cells.begin(), it.cells.end());
      }
      out += slow_downs.take();
    } else {
      signals.raw("[segnali]");
      for (size_t i = 0; i < signal_list.size(); ++i) {
        const int64_t c = cell(signal_at[i], 1);
        if (!fits({c}, false)) continue;
        signals.raw(signal_list[i]);
        taken.insert(c);
      }
      out += signals.take();
    }
  }
  return out + "[codici]\r\n[fine]\r\n";
}

}  // namespace

GeneratedScenario generate_scenario(uint64_t seed) {
  Random r(seed);
  // Some lines are short and crowded, where items meet most.
  const bool dense = r.chance(20);
  const int64_t length = dense         ? r.range(3000, 15000)
                         : r.chance(8) ? r.range(150000, 400000)
                                       : r.range(3000, 80000);
  const Faults faults = choose_faults(r);
  GeneratedScenario s;
  Cells taken;
  s.line_text = line_file(r, length, faults, dense, taken);
  s.train_text = train_file(r, length, faults, dense, taken);
  return s;
}

}  // namespace scenarioc::testing
