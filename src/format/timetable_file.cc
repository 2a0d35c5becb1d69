#include "format/timetable_file.h"

#include <stdexcept>

#include "format/format_error.h"

namespace scenarioc {

namespace {

bool numbers_cleared(const ScenarioRecord& r) {
  bool zero = true;
  for_each_field(kScenarioRecordFields, [&](const auto& f) {
    if constexpr (!std::decay_t<decltype(f)>::kIsText) zero = zero && f.of(r) == 0;
  });
  return zero;
}

}  // namespace

bool is_cleared(const ScenarioRecord& r) { return numbers_cleared(r) && r.text.empty(); }

RowHolds row_holds(int row, const ScenarioRecord& r) {
  if (row == kTrainDataRow) return RowHolds::kTrainData;
  if (row == kLineRow) return RowHolds::kLine;
  if (row == kTrainRow) return RowHolds::kTrain;
  if (row >= kProgressiveRows[0] && row <= kProgressiveRows[2]) return RowHolds::kProgressive;
  const bool cleared = numbers_cleared(r);
  if (row == 0 || (cleared && r.text.empty())) return RowHolds::kNothing;
  return cleared ? RowHolds::kSign : RowHolds::kStation;
}

std::string encode_timetable(const Scenario& s) { return encode_timetable(s.scenario_table); }

std::string encode_timetable(const Timetable& table) {
  size_t size = 0;
  for (const ScenarioRecord& r : table) {
    if (r.text.size() > kLongestText)
      throw std::length_error("a timetable text is longer than 65535 bytes");
    size += kScenarioRecordFixedBytes + r.text.size();
  }
  std::string out(size, '\0');
  char* p = out.data();
  for (const ScenarioRecord& r : table) p = put_fields(p, kScenarioRecordFields, r);
  return out;
}

Timetable decode_timetable(std::string_view bytes) {
  Timetable table;
  size_t at = 0;
  for (int row = 0; row < kScenarioRows; ++row) {
    const size_t left = bytes.size() - at;
    if (left < kTextLengthAt + kTextLengthBytes)
      throw FormatError(bytes.size(), "the file ends inside row " + std::to_string(row) +
                                          ", which starts at byte " + std::to_string(at) +
                                          "; a timetable has " + std::to_string(kScenarioRows) +
                                          " rows");
    const size_t text = get_le<uint16_t>(bytes.data() + at + kTextLengthAt);
    if (left < kScenarioRecordFixedBytes + text)
      throw FormatError(bytes.size(), "the file ends inside row " + std::to_string(row) +
                                          ", which starts at byte " + std::to_string(at) +
                                          " and needs " +
                                          std::to_string(kScenarioRecordFixedBytes) + " + " +
                                          std::to_string(text) + " bytes for its fields and text");
    get_fields(bytes.data() + at, kScenarioRecordFields, table[static_cast<size_t>(row)]);
    at += kScenarioRecordFixedBytes + text;
  }
  if (at != bytes.size())
    throw FormatError(at, "the file goes on for " + std::to_string(bytes.size() - at) +
                              (bytes.size() - at == 1 ? " more byte" : " more bytes") +
                              " after row " + std::to_string(kScenarioRows - 1) +
                              ", the last row of a timetable");
  return table;
}

}  // namespace scenarioc
