// Byte images of the three compiled files the simulator reads. Every field is
// encoded on its own, little-endian, in declaration order, with no padding:
// the simulator reads these files blind.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/scenario_tables.h"

namespace scenarioc {

// Route file: 15 bytes a cell, cell 0 first.
constexpr size_t kRouteCellBytes = 15;
std::string encode_route(const Scenario& s);

// Timetable file: rows 0 to 86, each 34 bytes plus the length of its text.
// Throws std::length_error for a text longer than 65535 bytes.
constexpr size_t kScenarioRecordFixedBytes = 34;
std::string encode_timetable(const Scenario& s);

// Line plan file: every X (metre 0 up), then every Y, each a 2-byte tag and
// its value. Handed to `sink` in pieces of about `chunk` bytes, so that the
// largest plan never needs to be held whole.
void encode_line_plan(const TrackPlan& plan,
                      const std::function<void(std::string_view)>& sink,
                      size_t chunk = 1 << 18);
// The same bytes in one pass over the points, the X and the Y block side by
// side: each piece goes to `sink` with its offset in the file.
void encode_line_plan_at(const TrackPlan& plan,
                         const std::function<void(uint64_t, std::string_view)>& sink,
                         size_t chunk = 1 << 18);
// Size of the line plan file for `plan`, without encoding it.
uint64_t line_plan_bytes(const TrackPlan& plan);

}  // namespace scenarioc
