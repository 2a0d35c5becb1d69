#include "cli/dump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

#include "cli/report.h"
#include "cli/run.h"
#include "compiler/display_text.h"
#include "compiler/text_encoding.h"
#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "model/route_rules.h"
#include "platform/file_io.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

// Keys stay in the order they are set: the order of the file's fields.
using Json = nlohmann::ordered_json;

constexpr int32_t kPlanStep = 1000;  // m between the points shown without --all

enum class FileKind { kRoute, kTimetable, kLinePlan };

// The largest file of a kind, as its layout allows for the longest route; a
// file larger than every kind it may be is refused before it is read.
uint64_t largest_file(FileKind k) {
  switch (k) {
    case FileKind::kRoute:
      return kLargestRouteFile;
    case FileKind::kTimetable:
      return kLargestTimetableFile;
    case FileKind::kLinePlan:
      return kLargestLinePlanFile;
  }
  return 0;
}

std::string kind_words(FileKind k) {
  switch (k) {
    case FileKind::kRoute:
      return "route";
    case FileKind::kTimetable:
      return "timetable";
    case FileKind::kLinePlan:
      return "line plan";
  }
  return "";
}

bool ends_with_ci(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<ptrdiff_t>(tail.size()),
                    [](char a, char b) {
                      const auto lower = [](char c) {
                        return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
                      };
                      return lower(a) == lower(b);
                    });
}

// The kinds a file may be, the one its name names first. Every .dat that
// is not a line plan by name is a route first; a route's size is a multiple
// of its 15-byte cells, which the route decoder checks before anything else.
// A name of no compiled file leaves all three to try.
struct Candidates {
  std::vector<FileKind> kinds;
  bool named = true;
};

Candidates kinds_for(const std::string& name) {
  if (ends_with_ci(name, "_linea.dat")) return {{FileKind::kLinePlan}};
  if (ends_with_ci(name, ".sim")) return {{FileKind::kTimetable}};
  if (ends_with_ci(name, ".dat")) return {{FileKind::kRoute, FileKind::kLinePlan}};
  return {{FileKind::kTimetable, FileKind::kLinePlan, FileKind::kRoute}, false};
}

std::string text_of(const std::string& windows_1252) { return windows_1252_to_utf8(windows_1252); }

// A time of day in seconds as hh:mm:ss; hours past 23 stay as they are.
std::string clock_text(int64_t seconds) {
  const bool negative = seconds < 0;
  const uint64_t s = negative ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%02llu:%02llu:%02llu", negative ? "-" : "",
                static_cast<unsigned long long>(s / 3600),
                static_cast<unsigned long long>(s / 60 % 60),
                static_cast<unsigned long long>(s % 60));
  return buf;
}

std::string dump_json(const Json& j) {
  // Texts are UTF-8 already; a file name given in another encoding is
  // shown with replacement characters rather than refused. JSON escapes C0
  // controls itself; DEL and the C1 controls (U+0080 to U+009F, which the
  // five bytes Windows-1252 leaves unassigned become) are escaped here too,
  // so that a terminal showing the document takes none of them as a
  // command. They stand only inside strings, where \u escapes are JSON.
  const std::string raw = j.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string out;
  out.reserve(raw.size());
  char buf[8];
  for (size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    const unsigned char next = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
    if (c == 0x7F) {
      out += "\\u007f";
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      std::snprintf(buf, sizeof buf, "\\u%04x", next);
      out += buf;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Writes {HEAD..., "LIST": [ITEM, ITEM, ...]} with one item a line, so that
// the largest plan is written a point at a time, never held whole.
class JsonListWriter {
 public:
  JsonListWriter(std::ostream& out, const Json& head, std::string_view list) : out_(out) {
    std::string h = dump_json(head);
    h.pop_back();  // the closing brace
    out_ << h << (head.empty() ? "" : ",") << dump_json(Json(list)) << ":[";
  }
  void item(const Json& j) {
    out_ << (first_ ? "\n  " : ",\n  ") << dump_json(j);
    first_ = false;
  }
  void finish() { out_ << (first_ ? "]}\n" : "\n]}\n"); }

 private:
  std::ostream& out_;
  bool first_ = true;
};

// A column of fixed width: right-aligned, or left-aligned when asked.
std::string column(const std::string& s, size_t width, bool left = false) {
  if (s.size() >= width) return s;
  return left ? s + std::string(width - s.size(), ' ') : std::string(width - s.size(), ' ') + s;
}

// ---- route --------------------------------------------------------------

Json cell_json(size_t c, const RouteCell& cell) {
  Json j;
  j["cell"] = c;
  for_each_field(kRouteCellFields, [&](const auto& f) { j[std::string(f.name)] = f.of(cell); });
  j["metres"] = static_cast<int64_t>(c) * kCellMetres;
  j["occupant"] = cell_kind_name(cell.kind);
  j["speed_limit_kmh"] = cell_speed_kmh(cell.speed_limit);
  j["gradient_per_mille"] = cell_gradient(cell.gradient);
  if (cell.kind == kSpeedBoard) {
    // The speed pairs as the decompiler and the plot read them back.
    Json speeds = Json::array();
    for (const int16_t code : {cell.code1, cell.code2, cell.code3}) {
      const BoardSpeed b = board_speed(code);
      speeds.push_back({{"s", b.s}, {"d", b.d}});
    }
    j["board_speeds"] = speeds;
  }
  return j;
}

void route_json(const std::string& file, size_t bytes, const std::vector<RouteCell>& cells,
                std::ostream& out) {
  Json head;
  head["kind"] = "route";
  head["file"] = file;
  head["bytes"] = bytes;
  head["cell_metres"] = kCellMetres;
  JsonListWriter list(out, head, "cells");
  for (size_t c = 0; c < cells.size(); ++c) list.item(cell_json(c, cells[c]));
  list.finish();
}

void route_text(const std::string& file, size_t bytes, const std::vector<RouteCell>& cells,
                bool all, std::ostream& out) {
  const size_t occupied = static_cast<size_t>(std::count_if(
      cells.begin(), cells.end(), [](const RouteCell& c) { return c.kind != kEmpty; }));
  out << shown_utf8(file) << ": route, " << cells.size() << " cells of " << kCellMetres << " m (" << bytes
      << " bytes), metres 0 to " << (cells.size() - 1) * kCellMetres << "\n";
  out << (all ? "every cell" : std::to_string(occupied) + " cells with an occupant") << ":\n";
  // The occupant's word, then each field of the cell as it stands, the
  // speed limit and the gradient in their units.
  struct Col {
    std::string heading;
    std::function<std::string(size_t, const RouteCell&)> value;
  };
  std::vector<Col> cols = {
      {"cell", [](size_t c, const RouteCell&) { return std::to_string(c); }},
      {"metres", [](size_t c, const RouteCell&) { return std::to_string(c * kCellMetres); }},
  };
  for_each_field(kRouteCellFields, [&](const auto& f) {
    const std::string name(f.name);
    if (name == "kind") {
      cols.push_back({"occupant", [](size_t, const RouteCell& c) {
                        return std::string(cell_kind_name(c.kind));
                      }});
    } else if (name == "speed_limit") {
      cols.push_back(
          {"km/h", [](size_t, const RouteCell& c) { return std::to_string(cell_speed_kmh(c.speed_limit)); }});
    } else if (name == "gradient") {
      cols.push_back({"per_mille",
                      [](size_t, const RouteCell& c) { return std::to_string(cell_gradient(c.gradient)); }});
    } else {
      cols.push_back({name, [f](size_t, const RouteCell& c) { return std::to_string(f.of(c)); }});
    }
  });
  std::vector<size_t> width(cols.size());
  for (size_t i = 0; i < cols.size(); ++i) width[i] = std::max<size_t>(cols[i].heading.size(), 6);
  const size_t occupant = 2;
  width[occupant] = 0;
  for (const CellKindName& k : kCellKinds)
    width[occupant] = std::max(width[occupant], k.name.size());
  const auto line = [&](const std::function<std::string(size_t)>& text) {
    std::string s;
    for (size_t i = 0; i < cols.size(); ++i)
      s += (i ? "  " : "") + column(text(i), width[i], i == occupant);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out << s << '\n';
  };
  line([&](size_t i) { return cols[i].heading; });
  for (size_t c = 0; c < cells.size(); ++c)
    if (all || cells[c].kind != kEmpty) line([&](size_t i) { return cols[i].value(c, cells[c]); });
}

// ---- timetable ----------------------------------------------------------

std::string_view holds_name(RowHolds h) {
  switch (h) {
    case RowHolds::kNothing:
      return "nothing";
    case RowHolds::kStation:
      return "station";
    case RowHolds::kSign:
      return "sign";
    case RowHolds::kProgressive:
      return "progressive";
    case RowHolds::kTrainData:
      return "train data";
    case RowHolds::kLine:
      return "line";
    case RowHolds::kTrain:
      return "train";
  }
  return "";
}

// A field of a record by its name: a number, or a text in UTF-8.
Json field_json(const ScenarioRecord& r, std::string_view name) {
  Json v;
  for_each_field(kScenarioRecordFields, [&](const auto& f) {
    if (f.name != name) return;
    if constexpr (std::decay_t<decltype(f)>::kIsText)
      v = text_of(f.of(r));
    else
      v = f.of(r);
  });
  return v;
}

bool is_time(std::string_view meaning) { return meaning == "time_of_day_s"; }

// The readable form of a field in the text dump.
std::string field_text(const ScenarioRecord& r, const FieldMeaning& m) {
  const Json v = field_json(r, m.field);
  if (v.is_string()) return "\"" + shown_utf8(v.get<std::string>()) + "\"";
  if (is_time(m.name)) return clock_text(v.get<int64_t>());
  return std::to_string(v.get<int64_t>());
}

std::string row_clock(const ScenarioRecord& r) {
  return clock_text((int64_t{r.int_c} * 60 + r.int_d) * 60 + r.int_e);
}

Json row_json(int row, const ScenarioRecord& r, RowHolds holds) {
  Json j;
  j["row"] = row;
  for_each_field(kScenarioRecordFields,
                 [&](const auto& f) { j[std::string(f.name)] = field_json(r, f.name); });
  j["holds"] = holds_name(holds);
  for (const FieldMeaning& m : kRowMeanings) {
    if (m.holds != holds) continue;
    j[std::string(m.name)] = field_json(r, m.field);
    if (is_time(m.name)) j["time"] = clock_text(r.time_s);
  }
  if (holds == RowHolds::kTrain) j["clock"] = row_clock(r);
  return j;
}

void timetable_json(const std::string& file, size_t bytes, const Timetable& t, std::ostream& out) {
  Json head;
  head["kind"] = "timetable";
  head["file"] = file;
  head["bytes"] = bytes;
  JsonListWriter list(out, head, "rows");
  const auto held = rows_held(t);
  for (int row = 0; row < kScenarioRows; ++row)
    list.item(row_json(row, t[static_cast<size_t>(row)], held[static_cast<size_t>(row)]));
  list.finish();
}

std::string raw_fields_text(const ScenarioRecord& r) {
  std::string s;
  for_each_field(kScenarioRecordFields, [&](const auto& f) {
    const Json v = field_json(r, f.name);
    s += (s.empty() ? "" : ", ") + std::string(f.name) + " " +
         (v.is_string() ? "\"" + shown_utf8(v.get<std::string>()) + "\"" : v.dump());
  });
  return s;
}

// "words value, words value" for the meanings of one kind of row.
std::string meanings_text(const ScenarioRecord& r, RowHolds holds) {
  std::string s;
  for (const FieldMeaning& m : kRowMeanings)
    if (m.holds == holds)
      s += (s.empty() ? "" : ", ") + std::string(m.words) + " " + field_text(r, m);
  return s;
}

void timetable_text(const std::string& file, size_t bytes, const Timetable& t, std::ostream& out) {
  out << shown_utf8(file) << ": timetable, " << kScenarioRows << " rows (" << bytes << " bytes)\n";
  const auto held = rows_held(t);
  const auto rows_holding = [&](RowHolds h) {
    std::vector<int> rows;
    for (int row = 0; row < kScenarioRows; ++row)
      if (held[static_cast<size_t>(row)] == h) rows.push_back(row);
    return rows;
  };

  const std::vector<int> stations = rows_holding(RowHolds::kStation);
  out << "stations: " << stations.size() << "\n";
  if (!stations.empty()) {
    // The name comes last, where its length disturbs no column.
    std::vector<const FieldMeaning*> cols;
    for (const FieldMeaning& m : kRowMeanings)
      if (m.holds == RowHolds::kStation) cols.push_back(&m);
    std::vector<size_t> width;
    for (const FieldMeaning* m : cols) width.push_back(std::max<size_t>(m->words.size(), 6));
    std::string head = "  row";
    for (size_t i = 0; i < cols.size(); ++i)
      head += "  " + column(std::string(cols[i]->words), width[i], i + 1 == cols.size());
    while (head.back() == ' ') head.pop_back();
    out << head << '\n';
    for (int row : stations) {
      const ScenarioRecord& r = t[static_cast<size_t>(row)];
      std::string s = column(std::to_string(row), 5);
      for (size_t i = 0; i < cols.size(); ++i)
        s += "  " + column(field_text(r, *cols[i]), width[i], i + 1 == cols.size());
      out << s << '\n';
    }
  }

  const std::vector<int> signs = rows_holding(RowHolds::kSign);
  out << "signs: " << signs.size() << "\n";
  for (auto it = signs.rbegin(); it != signs.rend(); ++it)
    out << "  row " << *it << ": " << meanings_text(t[static_cast<size_t>(*it)], RowHolds::kSign)
        << '\n';

  out << "kilometric progressives, farthest first:\n";
  for (int row : kProgressiveRows)
    out << "  row " << row << ": "
        << meanings_text(t[static_cast<size_t>(row)], RowHolds::kProgressive) << '\n';
  out << "train data, row " << kTrainDataRow << ": "
      << meanings_text(t[kTrainDataRow], RowHolds::kTrainData) << '\n';
  out << "line, row " << kLineRow << ": " << meanings_text(t[kLineRow], RowHolds::kLine) << '\n';
  out << "train, row " << kTrainRow << ": " << meanings_text(t[kTrainRow], RowHolds::kTrain)
      << " (clock " << row_clock(t[kTrainRow]) << ")\n";

  // Row 0 is never written to: anything in it is worth seeing.
  if (!is_cleared(t[0])) out << "row 0 is not clear: " << raw_fields_text(t[0]) << '\n';
}

// ---- line plan ----------------------------------------------------------

struct PlanSummary {
  size_t seeds = 0, computed = 0, empty = 0;
  bool any = false;
  double x_min = 0, x_max = 0, y_min = 0, y_max = 0;
};

PlanSummary summarise(const DecodedPlan& p) {
  PlanSummary s;
  for (int32_t m = 0; m <= p.last_metre(); ++m) {
    switch (p.tag(m)) {
      case TrackPlan::Tag::kEmpty:
        ++s.empty;
        continue;
      case TrackPlan::Tag::kInteger:
        ++s.seeds;
        break;
      case TrackPlan::Tag::kDouble:
        ++s.computed;
        break;
    }
    const double x = p.x(m).value, y = p.y(m).value;
    if (!s.any) {
      s.x_min = s.x_max = x;
      s.y_min = s.y_max = y;
      s.any = true;
    }
    s.x_min = std::min(s.x_min, x);
    s.x_max = std::max(s.x_max, x);
    s.y_min = std::min(s.y_min, y);
    s.y_max = std::max(s.y_max, y);
  }
  return s;
}

// The metres shown: every one, or one every 1000 m and the last.
std::vector<int32_t> shown_metres(const DecodedPlan& p, bool all) {
  std::vector<int32_t> ms;
  const int32_t step = all ? 1 : kPlanStep;
  for (int32_t m = 0; m <= p.last_metre(); m += step) ms.push_back(m);
  if (ms.back() != p.last_metre()) ms.push_back(p.last_metre());
  return ms;
}

Json coordinate_json(const PlanValue& v) {
  switch (v.tag) {
    case TrackPlan::Tag::kEmpty:
      return nullptr;
    case TrackPlan::Tag::kInteger:
      return static_cast<int64_t>(v.value);
    case TrackPlan::Tag::kDouble:
      return v.value;
  }
  return nullptr;
}

std::string coordinate_text(const PlanValue& v) {
  char buf[64];
  switch (v.tag) {
    case TrackPlan::Tag::kEmpty:
      return "-";
    case TrackPlan::Tag::kInteger:
      return std::to_string(static_cast<int64_t>(v.value));
    case TrackPlan::Tag::kDouble:
      std::snprintf(buf, sizeof buf, "%.3f", v.value);
      return buf;
  }
  return "";
}

void line_plan_json(const std::string& file, size_t bytes, const DecodedPlan& p, bool all,
                    std::ostream& out) {
  const PlanSummary s = summarise(p);
  Json head;
  head["kind"] = "line_plan";
  head["file"] = file;
  head["bytes"] = bytes;
  head["last_metre"] = p.last_metre();
  head["seeds"] = s.seeds;
  head["computed"] = s.computed;
  head["empty"] = s.empty;
  if (s.any)
    head["extent"] = {
        {"x_min", s.x_min}, {"x_max", s.x_max}, {"y_min", s.y_min}, {"y_max", s.y_max}};
  else
    head["extent"] = nullptr;
  head["every_m"] = all ? 1 : kPlanStep;
  JsonListWriter list(out, head, "points");
  for (const int32_t m : shown_metres(p, all)) {
    Json j;
    j["metre"] = m;
    j["x"] = coordinate_json(p.x(m));
    j["y"] = coordinate_json(p.y(m));
    list.item(j);
  }
  list.finish();
}

void line_plan_text(const std::string& file, size_t bytes, const DecodedPlan& p, bool all,
                    std::ostream& out) {
  const PlanSummary s = summarise(p);
  out << shown_utf8(file) << ": line plan (" << bytes << " bytes), " << p.last_metre()
      << " m long: metres 0 to " << p.last_metre() << ", " << s.seeds << " seeds, " << s.computed
      << " computed points, " << s.empty << " empty\n";
  if (s.any) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "extent: x from %.3f to %.3f m, y from %.3f to %.3f m\n",
                  s.x_min, s.x_max, s.y_min, s.y_max);
    out << buf;
  }
  out << (all ? "every metre" : "every " + std::to_string(kPlanStep) + " m and the last") << ":\n";
  out << column("metre", 9) << column("x", 16) << column("y", 16) << '\n';
  for (const int32_t m : shown_metres(p, all))
    out << column(std::to_string(m), 9) << column(coordinate_text(p.x(m)), 16)
        << column(coordinate_text(p.y(m)), 16) << '\n';
}

// Decodes `bytes` as `kind` and writes the dump. Throws FormatError.
void dump_as(FileKind kind, const std::string& file, const std::string& bytes, bool json, bool all,
             std::ostream& out) {
  switch (kind) {
    case FileKind::kRoute: {
      const std::vector<RouteCell> cells = decode_route(bytes);
      json ? route_json(file, bytes.size(), cells, out)
           : route_text(file, bytes.size(), cells, all, out);
      return;
    }
    case FileKind::kTimetable: {
      const Timetable t = decode_timetable(bytes);
      json ? timetable_json(file, bytes.size(), t, out)
           : timetable_text(file, bytes.size(), t, out);
      return;
    }
    case FileKind::kLinePlan: {
      const DecodedPlan p = decode_line_plan(bytes);
      json ? line_plan_json(file, bytes.size(), p, all, out)
           : line_plan_text(file, bytes.size(), p, all, out);
      return;
    }
  }
}

}  // namespace

int dump_command(const std::string& file, bool json, bool all, std::ostream& out,
                 std::ostream& err) {
  const fs::path path(file);
  std::error_code ec;
  const Candidates candidates = kinds_for(path.filename().string());
  uint64_t largest = 0;
  for (const FileKind kind : candidates.kinds) largest = std::max(largest, largest_file(kind));
  if (const uintmax_t size = fs::file_size(path, ec); !ec && size > largest) {
    report_fatal(err, file + ": " + std::to_string(size) + " bytes, more than any " +
                          (!candidates.named ? std::string("compiled")
                           : candidates.kinds.size() == 1
                               ? kind_words(candidates.kinds.front())
                               : kind_words(candidates.kinds[0]) + " or " +
                                     kind_words(candidates.kinds[1])) +
                          " file holds (at most " + std::to_string(largest) + ")");
    return kExitEndedEarly;
  }
  std::string bytes;
  {
    // A file of a folder's set is read with the folder held, as plot and
    // decompile read theirs, and not while a journal says the set is half
    // replaced.
    std::string refusal;
    const std::optional<FolderLock> held =
        hold_folder_for_reading(path.parent_path(), err, refusal);
    if (!refusal.empty()) {
      report_fatal(err, refusal);
      return kExitEndedEarly;
    }
    try {
      bytes = read_file(path, largest);
    } catch (const FileError& e) {
      report_fatal(err, file + ": " + e.reason());
      return kExitEndedEarly;
    }
  }

  std::string problem;
  for (const FileKind kind : candidates.kinds) {
    try {
      dump_as(kind, file, bytes, json, all, out);
      out.flush();
      if (!out) {
        report_fatal(err, file + ": the dump could not be written");
        return kExitEndedEarly;
      }
      return kExitSuccess;
    } catch (const FormatError& e) {
      // What is wrong with it as the kind its name gives.
      if (problem.empty()) problem = "not a " + kind_words(kind) + " file: " + e.what();
    }
  }
  if (!candidates.named)
    problem = "not a compiled file: neither a route, a timetable nor a line plan";
  report_fatal(err, file + ": " + problem);
  return kExitEndedEarly;
}

}  // namespace scenarioc
