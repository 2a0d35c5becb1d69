#include "format/timetable_file.h"

#include <algorithm>
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

bool is_text_only(const ScenarioRecord& r) { return numbers_cleared(r) && !r.text.empty(); }

int last_station_row(const Timetable& t, std::optional<int> lowest_sign_row) {
  const bool signs_known = lowest_sign_row.has_value();
  const int below = std::min(lowest_sign_row.value_or(kFirstSignRow), kFirstSignRow);
  int last = 0;
  while (last + 1 < below) {
    const ScenarioRecord& r = t[static_cast<size_t>(last + 1)];
    if (is_cleared(r) || (!signs_known && is_text_only(r))) break;
    ++last;
  }
  // A station whose row reached the signs' rows was still written there, over
  // the sign's text, before the compile refused it and stopped: one row of
  // numbers at the lowest sign row is that station.
  if (signs_known && *lowest_sign_row <= kFirstSignRow && last + 1 == below) {
    const ScenarioRecord& r = t[static_cast<size_t>(below)];
    if (!is_cleared(r) && !is_text_only(r)) ++last;
  }
  return last;
}

std::array<RowHolds, kScenarioRows> rows_held(const Timetable& t,
                                              std::optional<int> lowest_sign_row) {
  std::array<RowHolds, kScenarioRows> held{};
  const int last_station = last_station_row(t, lowest_sign_row);
  for (int row = 0; row < kScenarioRows; ++row) {
    const ScenarioRecord& r = t[static_cast<size_t>(row)];
    RowHolds& h = held[static_cast<size_t>(row)];
    if (row == kTrainDataRow)
      h = RowHolds::kTrainData;
    else if (row == kLineRow)
      h = RowHolds::kLine;
    else if (row == kTrainRow)
      h = RowHolds::kTrain;
    else if (row >= kProgressiveRows[0] && row <= kProgressiveRows[2])
      h = RowHolds::kProgressive;
    else if (row == 0 || is_cleared(r))
      h = RowHolds::kNothing;
    else if (row <= last_station || !is_text_only(r))
      h = RowHolds::kStation;
    else
      h = RowHolds::kSign;
  }
  return held;
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
