#include "compiler/meaning_checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "compiler/item_reader.h"
#include "compiler/running_time.h"
#include "model/route_rules.h"
#include "model/scenario_names.h"

namespace scenarioc {
namespace {

std::string metres(int64_t v) { return std::to_string(v) + " m"; }
std::string kmh(int64_t v) { return std::to_string(v) + " km/h"; }
std::string quoted(std::string_view t) { return "'" + std::string(t) + "'"; }

// A name in capitals, to compare names as people read them.
std::string upper_case(std::string_view t) {
  std::string out;
  for (const char c : t) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The stations longer than this have no area a line holds: the longest
// station areas of a main line are about 1500 m.
constexpr int64_t kLongestStation = 2000;
// A station time this far after the one before is no run of one train.
constexpr int64_t kLongestLeg = 12 * 3600;
// Nor is a leg of more than 3 hours that takes over 20 times the fastest run
// the line allows: a slip in the hours, not a slow train.
constexpr int64_t kLongLeg = 3 * 3600;
constexpr double kSlowestRun = 20.0;

class Checks {
 public:
  Checks(const MeaningInput& in, DiagnosticSink& sink) : in_(in), sink_(sink) {}

  void run() {
    find_length();
    shapes(in_.line);
    shapes(in_.train);
    repeated_settings(in_.line);
    repeated_settings(in_.train);
    route_length();
    file_names();
    line_rows();
    speed_profile();
    slow_downs();
    stations();
    list_order(in_.line, Key::kMontagna, "mountain stretch");
    list_order(in_.train, Key::kSegnale, "signal");
  }

 private:
  const MeaningInput& in_;
  DiagnosticSink& sink_;
  std::optional<int64_t> length_;  // the line's length as the last whole row gives it
  const AuthoredRow* length_row_ = nullptr;

  const AuthoredFile& file_of(const AuthoredRow& r) const {
    return r.file == SourceRole::kLine ? in_.line : in_.train;
  }
  SourceLocation at(const AuthoredRow& r, size_t offset) const {
    const AuthoredFile& f = file_of(r);
    return locate(f.data, f.label, offset, r.line);
  }
  SourceLocation at_value(const AuthoredRow& r, size_t i) const {
    return at(r, r.value_offset(i));
  }
  Note note_at(const AuthoredRow& r, std::string message) const {
    return Note{std::move(message), at(r, r.offset)};
  }
  // A row the compile has already given an error is told no more about
  // its meaning, but for what explains the error.
  bool has_error(const SourceLocation& where) const {
    for (const Diagnostic& d : sink_.diagnostics())
      if (d.severity == Severity::kError && d.failure.where &&
          d.failure.where->file == where.file && d.failure.where->line == where.line)
        return true;
    return false;
  }
  // The hints, and a station pasted twice, say what lies behind an error
  // of the same row.
  static bool explains_error(Warning w) {
    return w == Warning::kDuplicateStation || w == Warning::kDecimalFraction || w == Warning::kThousandsSeparator ||
           w == Warning::kTimeWithColons || w == Warning::kPercentSign ||
           w == Warning::kSemicolons || w == Warning::kKilometres;
  }
  void warn(Warning w, SourceLocation where, const std::function<std::string()>& message,
            std::vector<Note> notes = {}) {
    if (where.line > 0 && !explains_error(w) && has_error(where)) return;
    if (!sink_.admit(w)) return;
    Failure f;
    f.message = message();
    f.where = std::move(where);
    f.notes = std::move(notes);
    sink_.add_warning(w, std::move(f));
  }

  std::vector<const AuthoredRow*> whole_rows(const AuthoredFile& f, Key k) const {
    std::vector<const AuthoredRow*> out;
    for (const AuthoredRow& r : f.rows)
      if (r.id() == k && r.whole) out.push_back(&r);
    return out;
  }

  void find_length() {
    for (const AuthoredRow* r : whole_rows(in_.line, Key::kLunghezzaPercorso)) {
      length_ = r->values[0];
      length_row_ = r;
    }
  }

  // ---- number and row shapes of other languages and programs

  void shapes(const AuthoredFile& f) {
    for (const AuthoredRow& r : f.rows) {
      if (const size_t semi = r.key.find(';');
          semi != std::string_view::npos && semi > 0 &&
          r.key.find_first_of("0123456789", semi) != std::string_view::npos) {
        warn(Warning::kSemicolons, at(r, r.offset + semi), [&] {
          return "values parted by semicolons: the compiler parts them by commas only, so " +
                 quoted(r.key) + " is read as one key; write " + quoted(comma_form(r.key));
        });
        continue;
      }
      const auto& specs = r.keyword->values;
      for (size_t i = 0; i < r.fields.size(); ++i) {
        const bool extra = i >= specs.size();
        if (!extra && specs[i].type == ValueType::kText) break;
        if (extra && !specs.empty() && specs.back().type == ValueType::kText) break;
        const ValueSpec* spec = extra ? nullptr : &specs[i];
        field_shape(r, i, spec);
      }
      stray_number(r);
    }
  }

  static std::string comma_form(std::string_view key) {
    std::string out;
    for (const char c : key) {
      if (c == ';') out += ',';
      else out += c;
    }
    return out;
  }

  static bool digits(std::string_view t) {
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  }

  // "40.000", "1'100": groups of three digits after the first.
  static std::optional<std::string> thousands(std::string_view t) {
    std::string_view body = t;
    std::string sign;
    if (!body.empty() && body[0] == '-') {
      sign = "-";
      body.remove_prefix(1);
    }
    const size_t sep = body.find_first_of(".'");
    if (sep == std::string_view::npos || sep == 0 || sep > 3 || body[0] == '0')
      return std::nullopt;
    const char mark = body[sep];
    std::string joined = sign + std::string(body.substr(0, sep));
    if (!digits(body.substr(0, sep))) return std::nullopt;
    size_t i = sep;
    while (i < body.size()) {
      if (body[i] != mark || i + 4 > body.size() || !digits(body.substr(i + 1, 3)))
        return std::nullopt;
      joined += body.substr(i + 1, 3);
      i += 4;
    }
    return joined;
  }

  void field_shape(const AuthoredRow& r, size_t i, const ValueSpec* spec) {
    const std::string_view t = r.fields[i].text;
    int64_t v = 0;
    if (whole_number(t, v)) return;
    const SourceLocation where = at(r, r.fields[i].offset);
    const bool in_metres = spec && spec->unit == "m";
    if (t.find(';') != std::string_view::npos) {
      warn(Warning::kSemicolons, at(r, r.fields[i].offset + t.find(';')), [&] {
        return "values parted by semicolons: the compiler parts them by commas only, so " +
               quoted(t) + " is read as one value; write " + quoted(comma_form(t));
      });
      return;
    }
    if (const std::optional<std::string> joined = thousands(t)) {
      // In metres, 1.100 read as 1.1 km means the same number.
      warn(Warning::kThousandsSeparator, where, [&] {
        return quoted(t) + " is no whole number to the compiler: numbers are written without a "
               "thousands separator; write " + *joined;
      });
      return;
    }
    // "9:58:00", "9:58"
    {
      std::vector<std::string_view> parts;
      size_t from = 0;
      for (size_t j = 0; j <= t.size(); ++j)
        if (j == t.size() || t[j] == ':') {
          parts.push_back(t.substr(from, j - from));
          from = j + 1;
        }
      if (parts.size() >= 2 && parts.size() <= 3 &&
          std::all_of(parts.begin(), parts.end(), [](std::string_view p) { return digits(p); })) {
        // A value in seconds, such as a signal's time: minutes and seconds
        // (or hours, minutes and seconds) make one number.
        if (spec && spec->unit == "s" && spec->name != "ss" && spec->name != "seconds") {
          warn(Warning::kTimeWithColons, where, [&] {
            int64_t total = 0;
            for (const std::string_view p : parts) {
              int64_t n = 0;
              whole_number(p, n);
              total = total * 60 + n;
            }
            return quoted(t) + " is no whole number to the compiler: " +
                   std::string(spec->name) + " is in seconds; write " + std::to_string(total);
          });
          return;
        }
        warn(Warning::kTimeWithColons, where, [&] {
          std::string meant;
          for (size_t j = 0; j < 3; ++j) {
            int64_t n = 0;
            if (j < parts.size()) whole_number(parts[j], n);
            meant += (j ? ", " : "") + std::to_string(n);
          }
          return "the time " + quoted(t) + " is no whole number to the compiler: hours, minutes "
                 "and seconds are values of their own; write " + quoted(meant);
        });
        return;
      }
    }
    // "95%", "95 %"
    if (!t.empty() && t.back() == '%') {
      std::string_view n = t.substr(0, t.size() - 1);
      while (!n.empty() && (n.back() == ' ' || n.back() == '\t')) n.remove_suffix(1);
      if (whole_number(n, v) && !n.empty()) {
        warn(Warning::kPercentSign, where, [&] {
          return quoted(t) + " is no whole number to the compiler: a percentage is written "
                 "without its sign; write " + std::string(n);
        });
        return;
      }
    }
    // "12.5", "12.5 km", "12km"
    std::string_view number = t;
    bool km = false;
    if (number.size() > 2) {
      std::string tail(number.substr(number.size() - 2));
      std::transform(tail.begin(), tail.end(), tail.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (tail == "km") {
        km = true;
        number.remove_suffix(2);
        while (!number.empty() && (number.back() == ' ' || number.back() == '\t'))
          number.remove_suffix(1);
      }
    }
    const size_t point = number.find('.');
    std::string_view whole_part = number.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);
    int64_t w = 0;
    const bool shaped = (point == std::string_view::npos || digits(fraction)) &&
                        whole_number(whole_part, w) && !whole_part.empty();
    if (!shaped || w > 1000000000 || w < -1000000000 || fraction.size() > 9) return;
    if (in_metres || km) {
      const double value = std::stod(std::string(number)) * 1000.0;
      warn(Warning::kKilometres, where, [&] {
        return quoted(t) + " looks like kilometres, but " +
               (spec ? std::string(spec->name) + " is " : std::string("values are ")) +
               "in whole metres; write " + std::to_string(round_half_even(value));
      });
      return;
    }
    if (point != std::string_view::npos) {
      warn(Warning::kDecimalFraction, where, [&] {
        return quoted(t) + " is no whole number to the compiler: numbers are whole, without "
               "a decimal point; write " + std::to_string(round_half_even(std::stod(std::string(number))));
      });
    }
  }

  // A whole row followed by bare numbers: a decimal comma ("5,5") or a value
  // too many. The compiler reads each as a key, which matches nothing.
  void stray_number(const AuthoredRow& r) {
    const auto& specs = r.keyword->values;
    if (!r.whole || specs.empty() || specs.back().type == ValueType::kText ||
        r.fields.size() <= specs.size())
      return;
    const AuthoredField& stray = r.fields[specs.size()];
    int64_t n = 0;
    if (stray.text.empty() || !whole_number(stray.text, n)) return;
    for (size_t i = specs.size(); i < r.fields.size(); ++i)
      if (!whole_number(r.fields[i].text, n) || r.fields[i].text.empty()) return;
    const AuthoredField& last = r.fields[specs.size() - 1];
    const ValueSpec& spec = specs.back();
    warn(Warning::kDecimalFraction, at(r, stray.offset), [&] {
      std::string m = "the row is complete after " + quoted(last.text) + ", and " +
                      quoted(stray.text) + " is read as a key of its own, which matches "
                      "nothing: a decimal comma, as in " +
                      quoted(std::string(last.text) + "," + std::string(stray.text)) +
                      "? numbers are whole";
      int64_t before = 0;
      whole_number(last.text, before);
      if (spec.unit == "%" && (before == 0 || before == 1))
        m += "; a percentage is written as one, " +
             std::to_string(before * 100 + std::stoll("0" + std::string(stray.text).substr(0, 2)) *
                                (stray.text.size() == 1 ? 10 : 1));
      else
        m += "; " + std::string(spec.name) + " stays " + std::string(last.text);
      return m;
    });
  }

  // ---- general data

  void repeated_settings(const AuthoredFile& f) {
    std::map<Key, const AuthoredRow*> first;
    for (const AuthoredRow& r : f.rows) {
      const Key k = r.id();
      const bool setting = r.keyword->section == KeySection::kGeneral || k == Key::kVetture ||
                           k == Key::kMassaFrenata || k == Key::kOrologio || k == Key::kSabbia;
      if (!setting) continue;
      const auto [it, fresh] = first.emplace(k, &r);
      if (fresh) continue;
      warn(Warning::kRepeatedSetting, at(r, r.offset), [&] {
        if (k == Key::kLunghezzaPercorso)
          return std::string("a second route length row: the route is made anew from this one, "
                             "and the length given before is lost");
        return "a second " + quoted(r.keyword->key) + " row: only the last one counts, and the "
               "value given before is lost";
      }, {note_at(*it->second, "the first is here")});
    }
  }

  // The positions of the items of both files, with the row of each.
  std::vector<std::pair<int64_t, const AuthoredRow*>> item_positions() const {
    std::vector<std::pair<int64_t, const AuthoredRow*>> out;
    for (const AuthoredFile* f : {&in_.line, &in_.train})
      for (const AuthoredRow& r : f->rows) {
        if (!r.whole || r.values.empty()) continue;
        switch (r.id()) {
          case Key::kPendenza: case Key::kIndicatoriV: case Key::kCartelloIndicatore:
          case Key::kVelocita: case Key::kAderenza: case Key::kSegnale:
          case Key::kAbbattimento: case Key::kStazione:
            out.emplace_back(r.values[0], &r);
            break;
          case Key::kMontagna:
            out.emplace_back(std::max(r.values[0], r.values[1]), &r);
            break;
          case Key::kCurva: case Key::kRallentamento:
            out.emplace_back(r.values[0], &r);
            break;
          default:
            break;
        }
      }
    return out;
  }

  void route_length() {
    if (!length_) return;
    const int64_t L = *length_;
    int count = 0;
    int64_t farthest = 0;
    const auto items = item_positions();
    for (const auto& [p, r] : items)
      if (p > L) {
        ++count;
        farthest = std::max(farthest, p);
      }
    if (count == 0) return;
    // Items past the route are errors at their rows, and items just past the
    // line's end have a warning each: the length is to blame when it looks
    // like kilometres, or when most items lie past the route.
    const bool small = L < 1000;
    if (!small && (farthest <= L + kRouteTail || 2 * count < static_cast<int>(items.size())))
      return;
    warn(Warning::kRouteLength, at_value(*length_row_, 0), [&] {
      std::string m = "route length " + metres(L) + ", but " + std::to_string(count) +
                      (count == 1 ? " row places its item" : " rows place their items") +
                      " past it, the farthest at " + metres(farthest);
      if (small && L > 0 && L * 1000 >= farthest)
        m += "; did you mean " + std::to_string(L * 1000) + "?";
      else
        m += "; is the length right?";
      return m;
    });
  }

  void file_names() {
    if (!in_.line.read || !in_.train.read) return;
    const auto base = [](const std::string& label) {
      const size_t slash = label.find_last_of("/\\");
      return slash == std::string::npos ? label : label.substr(slash + 1);
    };
    const std::string line_file = base(in_.line.label), train_file = base(in_.train.label);
    const std::optional<std::string> line = line_name_from_file(line_file);
    const std::optional<TrainFileNames> train = names_from_train_file(train_file);
    // Told apart as a file system that ignores letter case would.
    if (!line || !train || upper_case(train->line_name) == upper_case(*line)) return;
    SourceLocation where;
    where.file = in_.train.label;
    warn(Warning::kOtherLine, where, [&] {
      return "the train file " + quoted(train_file) + " is named for the line " +
             quoted(train->line_name) + ", but the line file is " + quoted(line_file) +
             ": a train file written for another line?";
    });
  }

  // ---- the line data

  void line_rows() {
    for (const AuthoredRow& r : in_.line.rows) {
      if (r.id() == Key::kCurva) curve(r);
      if (!r.whole) continue;
      if (r.id() == Key::kMontagna || r.id() == Key::kRipetizioneSegnali)
        stretch(r, r.id() == Key::kMontagna ? "mountain stretch" : "signal repetition");
      if (r.id() == Key::kIndicatoriV) board(r);
    }
  }

  void curve(const AuthoredRow& r) {
    bool d = false, s = false;
    std::string digit_list;
    for (const char c : r.key) {
      if (c == 'd' || c == 'D') d = true;
      if (c == 's' || c == 'S') s = true;
      if (c >= '0' && c <= '9') digit_list += c;
    }
    // A key without a class is an error of its own.
    if (digit_list.find_first_of("123456") == std::string::npos) return;
    if (d == s)
      warn(Warning::kCurveSide, at(r, r.offset), [&] {
        return quoted(r.key) + (d ? " holds both d and s: any key holding an s bends left, so "
                                    "this curve bends left"
                                  : " names no side (d or s): it bends right");
      });
    if (digit_list.size() > 1) {
      const size_t cls = digit_list.find_first_of("123456");
      if (cls != std::string::npos)
        warn(Warning::kCurveClass, at(r, r.offset), [&] {
          return quoted(r.key) + " holds the digits " + digit_list + ": the class is the first "
                 "digit 1 to 6, so this curve is of class " + digit_list[cls] +
                 "; write one digit";
        });
    }
    if (r.whole && r.values[1] == 0)
      warn(Warning::kZeroLength, at_value(r, 1),
           [&] { return "a curve of length 0 m bends nothing"; });
  }

  void stretch(const AuthoredRow& r, const char* what) {
    const int64_t from = r.values[0], to = r.values[1];
    if (to < from) {
      warn(Warning::kReversedStretch, at_value(r, 1), [&] {
        return std::string(what) + " ends at " + metres(to) + ", before it starts at " +
               metres(from) + ", so it covers nothing; its two ends swapped?";
      });
      return;
    }
    if (to == from && r.id() == Key::kMontagna) {
      warn(Warning::kZeroLength, at_value(r, 1), [&] {
        return std::string(what) + " starts and ends at " + metres(from) + ": it covers nothing";
      });
      return;
    }
    if (length_ && r.id() == Key::kRipetizioneSegnali && to > *length_)
      warn(Warning::kStretchOutside, at_value(r, 1), [&] {
        return std::string(what) + " ends at " + metres(to) + ", past the end of the line at " +
               metres(*length_);
      });
  }

  void board(const AuthoredRow& r) {
    for (size_t i = 1; i <= 3; ++i)
      if (r.values[i] == 0) {
        warn(Warning::kZeroSpeed, at_value(r, i), [&] {
          return "the board at " + metres(r.values[0]) + " shows " +
                 std::string(r.keyword->values[i].name) +
                 " = 0 km/h: a board gives the speed a train may run at from there on";
        });
        return;
      }
  }

  // ---- the train: speeds and slow-downs

  SpeedProfile profile_;
  std::optional<int64_t> last_station_;
  const AuthoredRow* last_station_row_ = nullptr;
  bool run_ends_ = false;  // the last station ends the run

  void speed_profile() {
    for (const AuthoredRow* r : whole_rows(in_.train, Key::kStazione)) {
      last_station_ = r->values[0];
      last_station_row_ = r;
    }
    // Kinds 5 and 6 end the run; after another kind the train may go on.
    run_ends_ = last_station_row_ &&
                (last_station_row_->values[1] == 5 || last_station_row_->values[1] == 6);
    for (const Key k : {Key::kVelocita, Key::kAderenza}) {
      const std::vector<const AuthoredRow*> rows = whole_rows(in_.train, k);
      if (rows.empty()) continue;
      const AuthoredRow* first = *std::min_element(
          rows.begin(), rows.end(),
          [](const AuthoredRow* a, const AuthoredRow* b) { return a->values[0] < b->values[0]; });
      if (first->values[0] > 0)
        warn(Warning::kFirstRowLate, at_value(*first, 0), [&] {
          return std::string(k == Key::kVelocita ? "the first speed row" : "the first adhesion row") +
                 " stands at " + metres(first->values[0]) + ": the cells before it get " +
                 (k == Key::kVelocita ? "a speed limit of 0 km/h, and the train cannot start"
                                      : "an adhesion of 0") +
                 "; begin the list at 0";
        });
    }
    for (const AuthoredRow* r : whole_rows(in_.train, Key::kVelocita)) {
      profile_.add_limit(r->values[0], r->values[1]);
      if (r->values[1] == 0 && last_station_ && r->values[0] < *last_station_)
        warn(Warning::kZeroSpeed, at_value(*r, 1), [&] {
          return "a speed limit of 0 km/h from " + metres(r->values[0]) +
                 " on, before the last station at " + metres(*last_station_) +
                 ": the train cannot pass";
        }, {note_at(*last_station_row_, "the last station is here")});
    }
  }

  void slow_downs() {
    for (const AuthoredRow* r : whole_rows(in_.train, Key::kRallentamento)) {
      const int64_t x = r->values[0], v = r->values[1], l = r->values[2];
      profile_.add_slow_down(x, l, v);
      if (x < 0) continue;
      if (v == 0 && last_station_ && x < *last_station_)
        warn(Warning::kZeroSpeed, at_value(*r, 1), [&] {
          return "a slow-down to 0 km/h at " + metres(x) + ", before the last station at " +
                 metres(*last_station_) + ": the train cannot pass";
        });
      const int64_t limit = profile_.limit_at(x);
      if (v > 0 && profile_.has_limits() && limit > 0 && v >= limit)
        warn(Warning::kSlowDownNotSlower, at_value(*r, 1), [&] {
          return "a slow-down to " + kmh(v) + " at " + metres(x) + ", where the speed limit is " +
                 kmh(limit) + " already: it slows nothing";
        });
      if (l < 0)
        warn(Warning::kReversedStretch, at_value(*r, 2), [&] {
          return "a slow-down " + metres(l) + " long ends at " + metres(x + l) +
                 ", before it starts at " + metres(x) + ": a length is never negative";
        });
      else if (l < kCellMetres)
        warn(Warning::kSlowDownShort, at_value(*r, 2), [&] {
          return "a slow-down " + metres(l) + " long, shorter than a 50 m cell: its start and end "
                 "take cells " + std::to_string(item_cell(x)) + " and " +
                 std::to_string(item_cell(x + l)) + "; a length in another unit?";
        });
      const int64_t end = x + l;
      if (length_ && end > *length_)
        warn(Warning::kSlowDownOutside, at_value(*r, 2), [&] {
          return "a slow-down from " + metres(x) + " to " + metres(end) +
                 ", past the end of the line at " + metres(*length_);
        });
      else if (run_ends_ && end > *last_station_ && l >= kCellMetres)
        warn(Warning::kSlowDownOutside, at_value(*r, x > *last_station_ ? 0 : 2), [&] {
          return "a slow-down from " + metres(x) + " to " + metres(end) +
                 ", past the last station at " + metres(*last_station_) +
                 ", where the run ends (its kind " + std::to_string(last_station_row_->values[1]) +
                 "): the train never reaches " +
                 (x > *last_station_ ? "it" : "its end");
        }, {note_at(*last_station_row_, "the last station is here")});
      if (!slow_down_warned(x))
        warn(Warning::kSlowDownUnwarned, at_value(*r, 0), [&] {
          return "a slow-down at " + metres(x) + ", within the first " +
                 metres(kUnwarnedStretch) + ": its warning board " + metres(kWarningDistance) +
                 " before it is not written, nor its approach cells";
        });
    }
  }

  // ---- the train: stations and the timetable

  void stations() {
    const std::vector<const AuthoredRow*> rows = whole_rows(in_.train, Key::kStazione);
    std::map<std::string, const AuthoredRow*> names;
    for (const AuthoredRow* r : rows) {
      if (r->values[2] > kLongestStation)
        warn(Warning::kStationArea, at_value(*r, 2), [&] {
          return "a station " + metres(r->values[2]) + " long: station areas are at most about "
                 "1500 m; a zero too many, or another unit?";
        });
      if (r->text.empty()) continue;
      const auto [it, fresh] = names.emplace(upper_case(r->text), r);
      if (!fresh)
        warn(Warning::kDuplicateStation, at(*r, r->text_offset), [&] {
          return "the station " + quoted(r->text) + " is named twice: a row pasted twice?";
        }, {note_at(*it->second, "the first is here")});
    }
    timetable(rows);
  }

  static int64_t time_of(const AuthoredRow& r) {
    return r.values[13] * 3600 + r.values[14] * 60 + r.values[15];
  }

  void timetable(const std::vector<const AuthoredRow*>& rows) {
    const AuthoredRow* clock = nullptr;
    for (const AuthoredRow* r : whole_rows(in_.train, Key::kOrologio)) clock = r;
    const AuthoredRow* before = nullptr;
    for (const AuthoredRow* r : rows) {
      const int64_t t = time_of(*r);
      if (t == 0) continue;  // a station without a time
      const std::string name(r->text);
      if (!before) {
        if (clock) {
          const int64_t c = clock->values[0] * 3600 + clock->values[1] * 60 + clock->values[2];
          if (c > t)
            warn(Warning::kClockAfterDeparture, at_value(*clock, 0), [&] {
              return "the clock starts the run at " + clock_words(c) + ", after the time of " +
                     name + " at " + clock_words(t) + ", the first in the timetable";
            }, {note_at(*r, "the first timed station is here")});
          else if (t - c > kLongestLeg)
            implausible(*r, t, c, "the clock at the start");
        }
        before = r;
        continue;
      }
      const int64_t b = time_of(*before);
      const std::string before_name(before->text);
      if (t < b) {
        warn(Warning::kTimeBackwards, at_value(*r, 13), [&] {
          std::string m = name + " at " + clock_words(t) + " comes before " + before_name +
                          " at " + clock_words(b) + ", which stands before it on the line";
          if (t + 24 * 3600 > b && t < 24 * 3600 && b >= 12 * 3600)
            m += "; after midnight, hours go on from 24: " + clock_words(t + 24 * 3600);
          return m;
        }, {note_at(*before, "the station before is here")});
      } else if (t - b > kLongestLeg) {
        implausible(*r, t, b, before_name + " at " + clock_words(b));
      } else if (const std::optional<double> least =
                     profile_.least_seconds(before->values[0], r->values[0]);
                 least && profile_.has_limits() && t - b > kLongLeg &&
                 static_cast<double>(t - b) > kSlowestRun * *least) {
        implausible(*r, t, b, before_name + " at " + clock_words(b),
                    ", which the line's speed limits allow in " +
                        duration_words(static_cast<int64_t>(std::floor(*least))));
      } else if (least && profile_.has_limits() && static_cast<double>(t - b) < *least) {
        warn(Warning::kTimetableTooTight, at_value(*r, 13), [&] {
          return name + " at " + clock_words(t) + " needs at least " +
                 duration_words(static_cast<int64_t>(std::floor(*least))) + " from " +
                 before_name + " at " + clock_words(b) +
                 " at the line's speed limits; the timetable gives " + duration_words(t - b);
        }, {note_at(*before, "the station before is here")});
      }
      before = r;
    }
  }

  void implausible(const AuthoredRow& r, int64_t t, int64_t b, const std::string& what,
                   const std::string& allowed = {}) {
    warn(Warning::kImplausibleTime, at_value(r, 13), [&] {
      std::string m = std::string(r.text) + " at " + clock_words(t) + " comes " +
                      duration_words(t - b) + " after " + what + allowed;
      const int64_t h = r.values[13], mm = r.values[14];
      const int64_t swapped = mm * 3600 + h * 60 + r.values[15];
      if (h < 60 && mm < 48 && swapped >= b && swapped - b <= kLongestLeg)
        m += "; hours and minutes swapped? " + clock_words(swapped);
      return m;
    });
  }

  // ---- the order of a list whose rows are placed as they are read

  // Whether the list in file order compiles to other cells than sorted; the
  // warning names the cells that differ.
  void list_order(const AuthoredFile& f, Key k, const char* what) {
    if (!in_.recompile || !in_.route || in_.route->empty()) return;
    std::vector<const AuthoredRow*> rows;
    for (const AuthoredRow& r : f.rows)
      if (r.id() == k) {
        if (!r.whole) return;
        rows.push_back(&r);
      }
    const AuthoredRow* behind = nullptr;
    const AuthoredRow* ahead = nullptr;
    for (size_t i = 1; i < rows.size() && !behind; ++i)
      for (size_t j = 0; j < i; ++j)
        if (rows[j]->values[0] > rows[i]->values[0]) {
          behind = rows[i];
          ahead = rows[j];
          break;
        }
    if (!behind) return;
    std::vector<const AuthoredRow*> sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [](const AuthoredRow* a, const AuthoredRow* b) {
      return a->values[0] < b->values[0];
    });
    // The same text with the rows' lines put in order, each in a slot of the list.
    const auto line_span = [&f](const AuthoredRow* r) {
      size_t b = r->offset, e = r->offset;
      while (b > 0 && f.data[b - 1] != '\n' && f.data[b - 1] != '\r') --b;
      while (e < f.data.size() && f.data[e] != '\n' && f.data[e] != '\r') ++e;
      return std::pair<size_t, size_t>{b, e};
    };
    std::string text;
    size_t done = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      const auto [b, e] = line_span(rows[i]);
      const auto [sb, se] = line_span(sorted[i]);
      text.append(f.data.substr(done, b - done));
      text.append(f.data.substr(sb, se - sb));
      done = e;
    }
    text.append(f.data.substr(done));
    const bool line_file = &f == &in_.line;
    const std::optional<std::vector<RouteCell>> other =
        in_.recompile(line_file ? text : std::string(in_.line.data),
                      line_file ? std::string(in_.train.data) : text);
    if (!other) return;
    std::vector<size_t> differ;
    const std::vector<RouteCell>& route = *in_.route;
    for (size_t c = 0; c < std::max(route.size(), other->size()); ++c)
      if (c >= route.size() || c >= other->size() || !(route[c] == (*other)[c])) differ.push_back(c);
    if (differ.empty()) return;
    warn(Warning::kOutOfOrder, at_value(*behind, 0), [&] {
      std::string cells;
      for (size_t i = 0; i < differ.size() && i < 6; ++i)
        cells += (i ? ", " : "") + std::to_string(differ[i]);
      if (differ.size() > 6) cells += " and " + std::to_string(differ.size() - 6) + " more";
      return std::string(what) + " at " + metres(behind->values[0]) + " comes after one at " +
             metres(ahead->values[0]) + ", and in this order the route differs from the " +
             what + "s in order of position in cell" + (differ.size() == 1 ? " " : "s ") + cells;
    }, {note_at(*ahead, std::string("the ") + what + " ahead of it is here")});
  }
};

}  // namespace

void check_meaning(const MeaningInput& in, DiagnosticSink& sink) { Checks(in, sink).run(); }

}  // namespace scenarioc
