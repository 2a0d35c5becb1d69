#include "decompiler/proof.h"

#include <algorithm>

#include "compiler/compile.h"
#include "compiler/text_encoding.h"
#include "decompiler/source_lines.h"
#include "format/compiled_files.h"
#include "model/file_names.h"

namespace scenarioc {
namespace {

size_t first_difference(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return i;
  return n;
}

std::string byte_at(const std::string& bytes, size_t at) {
  if (at >= bytes.size()) return "nothing (the file ends)";
  return format("0x%02X", static_cast<unsigned char>(bytes[at]));
}

std::string values(const std::string& file, const std::string& sources, size_t at) {
  return byte_at(file, at) + " in the file, " + byte_at(sources, at) + " from the sources";
}

std::string route_place(size_t at) {
  static constexpr const char* kField[] = {"kind",  "code1", "code1", "code2", "code2",
                                           "code3", "code3", "code4", "code4", "signal_time",
                                           "repeat_code", "mountain", "speed_limit",
                                           "gradient", "adhesion"};
  return format("cell %zu, %s", at / kRouteCellBytes, kField[at % kRouteCellBytes]);
}

// Rows have the length of their text; the file's own rows place the offset.
std::string timetable_place(const std::string& bytes, size_t at) {
  static constexpr const char* kHead[] = {"type", "start_pos", "start_pos", "start_pos",
                                          "start_pos", "stop_pos", "stop_pos", "stop_pos",
                                          "stop_pos", "position", "position", "position",
                                          "position", "byte_a", "text length", "text length"};
  static constexpr const char* kTail[] = {"int_a", "int_a", "int_b", "int_b", "int_c",
                                          "int_c", "int_d", "int_d", "int_e", "int_e",
                                          "byte_e", "byte_f", "byte_c", "byte_d", "time_s",
                                          "time_s", "time_s", "time_s"};
  size_t row_start = 0;
  for (int row = 0; row < kScenarioRows; ++row) {
    if (row_start + 16 > bytes.size()) break;
    const size_t n = static_cast<unsigned char>(bytes[row_start + 14]) |
                     static_cast<size_t>(static_cast<unsigned char>(bytes[row_start + 15])) << 8;
    const size_t length = kScenarioRecordFixedBytes + n;
    if (at < row_start + length) {
      const size_t in = at - row_start;
      const char* field = in < 16 ? kHead[in] : in < 16 + n ? "text" : kTail[in - 16 - n];
      return format("row %d, %s", row, field);
    }
    row_start += length;
  }
  return "after the last row";
}

std::string plan_place(const std::string& bytes, size_t at) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + 2 <= bytes.size();) {
    starts.push_back(i);
    const unsigned tag = static_cast<unsigned char>(bytes[i]) |
                         static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    i += 2 + (tag == 2 ? 2 : tag == 5 ? 8 : 0);
  }
  const size_t half = starts.size() / 2;
  const size_t element =
      static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
  if (half == 0) return "the first element";
  return format("%s of metre %zu", element < half ? "X" : "Y", element % half);
}

}  // namespace

std::vector<Mismatch> prove(std::string line_text, std::string train_text,
                            const std::string& line_name, const std::string& train_number,
                            const CompiledBytes& expected) {
  std::vector<Mismatch> out;
  const std::string line_label = line_source_name(line_name);
  const std::string train_label = train_source_name(line_name, train_number);
  for (auto [text, label] : {std::pair{&line_text, &line_label}, std::pair{&train_text, &train_label}})
    if (std::optional<EncodingProblem> p = to_windows_1252(*text, *label)) {
      out.push_back({*label, 0, p->message});
      return out;
    }
  CompileResult r = compile(std::move(line_text), std::move(train_text),
                            CompileOptions{line_name, train_number, true});
  if (!r.writable()) {
    out.push_back({route_name(line_name, train_number), 0,
                   r.closing_failure != 0
                       ? "the sources end the compile with error " + std::to_string(r.closing_failure)
                       : "the sources give no route"});
    return out;
  }
  const Scenario& s = r.scenario;
  const std::string route = encode_route(s);
  if (route != expected.route) {
    const size_t at = first_difference(expected.route, route);
    out.push_back({route_name(line_name, train_number), at,
                   route_place(at) + ": " + values(expected.route, route, at)});
  }
  const std::string timetable = encode_timetable(s);
  if (timetable != expected.timetable) {
    const size_t at = first_difference(expected.timetable, timetable);
    out.push_back({timetable_name(line_name, train_number), at,
                   timetable_place(expected.timetable, at) + ": " +
                       values(expected.timetable, timetable, at)});
  }
  if (expected.plan) {
    std::string plan;
    plan.reserve(expected.plan->size());
    encode_line_plan(s.track_plan, [&plan](std::string_view piece) { plan.append(piece); });
    if (plan != *expected.plan) {
      const size_t at = first_difference(*expected.plan, plan);
      out.push_back({line_plan_name(line_name), at,
                     plan_place(*expected.plan, at) + ": " + values(*expected.plan, plan, at)});
    }
  }
  return out;
}

}  // namespace scenarioc
