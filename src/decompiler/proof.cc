#include "decompiler/proof.h"

#include <algorithm>
#include <cstring>

#include "compiler/compile.h"
#include "compiler/text_encoding.h"
#include "decompiler/source_lines.h"
#include "format/byte_order.h"
#include "format/line_plan_file.h"
#include "format/record_fields.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
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
  return "cell " + std::to_string(at / kRouteCellBytes) + ", " +
         std::string(field_at(kRouteCellFields, at % kRouteCellBytes));
}

// Rows have the length of their text; the file's own rows place the offset.
std::string timetable_place(const std::string& bytes, size_t at) {
  constexpr size_t kTextStart = kTextLengthAt + kTextLengthBytes;
  size_t row_start = 0;
  for (int row = 0; row < kScenarioRows; ++row) {
    if (row_start + kTextStart > bytes.size()) break;
    const size_t n = get_le<uint16_t>(bytes.data() + row_start + kTextLengthAt);
    const size_t length = kScenarioRecordFixedBytes + n;
    if (at < row_start + length)
      return "row " + std::to_string(row) + ", " +
             std::string(field_at(kScenarioRecordFields, at - row_start, n));
    row_start += length;
  }
  return "after the last row";
}

std::string tag_words(TrackPlan::Tag tag, double value) {
  switch (tag) {
    case TrackPlan::Tag::kEmpty: return "empty";
    case TrackPlan::Tag::kInteger: return format("the integer %d", static_cast<int>(value));
    case TrackPlan::Tag::kDouble: return format("%.17g", value);
  }
  return "?";
}

// The compiled plan against the file's, metre by metre in the order of the
// file: every X, then every Y.
std::optional<Mismatch> compare_plan(const TrackPlan& got, const DecodedPlan& want,
                                     const std::string& file) {
  const int32_t last = want.last_metre();
  if (!got.created() || got.last_metre() != last)
    return Mismatch{file, 0,
                    format("the plan holds metres 0 to %d in the file, 0 to %d from the sources", last,
                           got.created() ? got.last_metre() : -1)};
  std::optional<int32_t> x_diff, y_diff;
  std::vector<PlanValue> gx, gy;  // the differing points, for the message
  auto check = [&](int32_t m, const PlanValue& x, const PlanValue& y) {
    auto differs = [](const PlanValue& a, const PlanValue& b) {
      return a.tag != b.tag || (a.tag != TrackPlan::Tag::kEmpty &&
                                std::memcmp(&a.value, &b.value, sizeof a.value) != 0);
    };
    if (!x_diff && differs(x, want.x(m))) {
      x_diff = m;
      gx.push_back(x);
    }
    if (!y_diff && differs(y, want.y(m))) {
      y_diff = m;
      gy.push_back(y);
    }
  };
  using Tag = TrackPlan::Tag;
  int32_t m = 0;
  if (got.seeded()) {
    check(0, {Tag::kInteger, 0}, {Tag::kInteger, 0});
    if (last >= 1) check(1, {Tag::kInteger, 0}, {Tag::kInteger, 1});
    m = 2;
    TrackPlan::Reader r(got);
    double xs[512], ys[512];
    while (const size_t n = r.read(xs, ys, 512))
      for (size_t i = 0; i < n; ++i, ++m) check(m, {Tag::kDouble, xs[i]}, {Tag::kDouble, ys[i]});
  }
  for (; m <= last; ++m) check(m, {}, {});
  if (!x_diff && !y_diff) return std::nullopt;
  const bool in_x = x_diff.has_value();
  const int32_t at = in_x ? *x_diff : *y_diff;
  const uint64_t offset = want.offset_of(!in_x, at);
  const PlanValue w = in_x ? want.x(at) : want.y(at);
  const PlanValue& g = in_x ? gx[0] : gy[0];
  return Mismatch{file, offset,
                  format("%s of metre %d: ", in_x ? "X" : "Y", at) + tag_words(w.tag, w.value) +
                      " in the file, " + tag_words(g.tag, g.value) + " from the sources"};
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
  if (expected.plan)
    if (std::optional<Mismatch> m = compare_plan(s.track_plan, *expected.plan, line_plan_name(line_name)))
      out.push_back(*m);
  return out;
}

}  // namespace scenarioc
