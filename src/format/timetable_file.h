// The timetable file, L_T.sim: rows 0 to 86 of the scenario table in order,
// each its fields packed in the order below; a row is 34 bytes and the bytes
// of its text, so a reader walks the rows one after the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "format/record_fields.h"
#include "model/scenario_tables.h"

namespace scenarioc {

inline constexpr auto kScenarioRecordFields = std::tuple{
    Field<&ScenarioRecord::type>{"type"},
    Field<&ScenarioRecord::start_pos>{"start_pos"},
    Field<&ScenarioRecord::stop_pos>{"stop_pos"},
    Field<&ScenarioRecord::position>{"position"},
    Field<&ScenarioRecord::byte_a>{"byte_a"},
    Field<&ScenarioRecord::text>{"text"},
    Field<&ScenarioRecord::int_a>{"int_a"},
    Field<&ScenarioRecord::int_b>{"int_b"},
    Field<&ScenarioRecord::int_c>{"int_c"},
    Field<&ScenarioRecord::int_d>{"int_d"},
    Field<&ScenarioRecord::int_e>{"int_e"},
    Field<&ScenarioRecord::byte_e>{"byte_e"},
    Field<&ScenarioRecord::byte_f>{"byte_f"},
    Field<&ScenarioRecord::byte_c>{"byte_c"},
    Field<&ScenarioRecord::byte_d>{"byte_d"},
    Field<&ScenarioRecord::time_s>{"time_s"},
};

constexpr size_t kScenarioRecordFixedBytes = 34;
static_assert(fixed_bytes(kScenarioRecordFields) == kScenarioRecordFixedBytes);
// Where a row's text length stands, from the row's start.
constexpr size_t kTextLengthAt = text_length_offset(kScenarioRecordFields);
static_assert(kTextLengthAt == 14);

using Timetable = std::array<ScenarioRecord, kScenarioRows>;

// The largest timetable file: every row with a text of the longest length
// its 2-byte length field can give. A reader refuses a larger file before
// reading it.
constexpr uint64_t kLargestTimetableFile =
    uint64_t{kScenarioRows} * (kScenarioRecordFixedBytes + kLongestText);

// What a row of the table holds.
enum class RowHolds {
  kNothing,      // a cleared row: row 0 always, and rows no station or sign took
  kStation,      // rows 1 upward: a station of the train's run
  kSign,         // rows 80 downward: the text of a sign, and nothing else
  kProgressive,  // rows 81 to 83: the kilometric progressives
  kTrainData,    // row 84
  kLine,         // row 85
  kTrain,        // row 86
};

// Whether every number of the row is 0 and its text empty, as the run
// leaves a row no one writes to.
bool is_cleared(const ScenarioRecord& r);

// Whether the row sets its text and no number: the shape of a sign's row.
bool is_text_only(const ScenarioRecord& r);

// Stations and signs share rows 1 to 80: the compiler writes the stations
// from row 1 upward, one after another, and the sign texts from row 80
// downward, and refuses a station that would reach the signs' rows. So the
// stations are the rows from 1 up to the first cleared row, below the lowest
// sign row. A reader that has the route file knows that row (the lowest one
// a sign cell names, kNoSignRow when none does) and passes it; without it,
// a row that sets only its text is taken for the first sign. A station the
// compiler refused at the lowest sign row was written there first, over the
// sign's text: that row of numbers counts as a station. The last station
// row; 0 for none.
constexpr int kNoSignRow = kFirstSignRow + 1;
int last_station_row(const Timetable& t, std::optional<int> lowest_sign_row = std::nullopt);

// What each row of the table holds, by the rule above. A row past the
// stations that holds numbers (no compiler writes one) is shown as a
// station, so that nothing it holds is hidden.
std::array<RowHolds, kScenarioRows> rows_held(const Timetable& t,
                                              std::optional<int> lowest_sign_row = std::nullopt);

// What a field of a row holds, in the dump's words: `name` is the key of the
// dump's JSON, `words` its label in the text form.
struct FieldMeaning {
  RowHolds holds;
  std::string_view field;  // a name of kScenarioRecordFields
  std::string_view name;
  std::string_view words;
};

// A station row's fields are those of its "stazione" line; the line's fields
// 4 to 13 are stored as read and carry the field's number.
inline constexpr FieldMeaning kRowMeanings[] = {
    {RowHolds::kStation, "position", "position_m", "position (m)"},
    {RowHolds::kStation, "type", "station_kind", "kind"},
    {RowHolds::kStation, "start_pos", "area_start_m", "area from (m)"},
    {RowHolds::kStation, "stop_pos", "stop_m", "stop (m)"},
    {RowHolds::kStation, "time_s", "time_of_day_s", "time"},
    {RowHolds::kStation, "byte_a", "field_4", "field 4"},
    {RowHolds::kStation, "byte_d", "field_5", "field 5"},
    {RowHolds::kStation, "byte_c", "field_6", "field 6"},
    {RowHolds::kStation, "int_a", "field_7", "field 7"},
    {RowHolds::kStation, "int_b", "field_8", "field 8"},
    {RowHolds::kStation, "byte_e", "field_9", "field 9"},
    {RowHolds::kStation, "int_c", "field_10", "field 10"},
    {RowHolds::kStation, "int_d", "field_11", "field 11"},
    {RowHolds::kStation, "int_e", "field_12", "field 12"},
    {RowHolds::kStation, "byte_f", "field_13", "field 13"},
    {RowHolds::kStation, "text", "name", "name"},
    {RowHolds::kSign, "text", "sign_text", "text"},
    // Ordered by where they apply, farthest first; a flag of 1 has already
    // raised the value by 100 m.
    {RowHolds::kProgressive, "start_pos", "progressive_from_m", "from (m)"},
    {RowHolds::kProgressive, "stop_pos", "progressive_value_m", "value (m)"},
    {RowHolds::kProgressive, "position", "progressive_flag", "flag"},
    {RowHolds::kTrainData, "start_pos", "braked_mass_percent", "braked mass (%)"},
    {RowHolds::kTrainData, "stop_pos", "route_length_m", "route length (m)"},
    {RowHolds::kTrainData, "position", "coaches", "coaches"},
    {RowHolds::kLine, "text", "line_name", "line"},
    {RowHolds::kLine, "start_pos", "background_1", "background 1"},
    {RowHolds::kLine, "position", "background_2", "background 2"},
    {RowHolds::kLine, "stop_pos", "background_3", "background 3"},
    {RowHolds::kLine, "int_a", "line_marker", "marker"},
    {RowHolds::kLine, "time_s", "line_code", "code"},
    {RowHolds::kTrain, "text", "train_number", "train"},
    {RowHolds::kTrain, "start_pos", "signal_repetition_from_m", "signal repetition from (m)"},
    {RowHolds::kTrain, "stop_pos", "signal_repetition_to_m", "signal repetition to (m)"},
    {RowHolds::kTrain, "position", "codes", "codes"},
    {RowHolds::kTrain, "int_a", "sand", "sand"},
    {RowHolds::kTrain, "int_c", "clock_hours", "clock hours"},
    {RowHolds::kTrain, "int_d", "clock_minutes", "clock minutes"},
    {RowHolds::kTrain, "int_e", "clock_seconds", "clock seconds"},
};

// Rows 0 to 86 of `s.scenario_table` (or of `table`). Throws
// std::length_error for a text longer than 65535 bytes.
std::string encode_timetable(const Scenario& s);
std::string encode_timetable(const Timetable& table);

// The rows of a timetable file. Throws FormatError for a file that ends
// inside a row or goes on after row 86.
Timetable decode_timetable(std::string_view bytes);

}  // namespace scenarioc
