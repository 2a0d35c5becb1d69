// The general data of both files, from the timetable's rows 81 to 86.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "decompiler/source_lines.h"

namespace scenarioc {

// The three values of a "progressiva chilometrica" line.
struct Progressive {
  int32_t a = 0, b = 0, flag = 0;
  bool empty() const { return a == 0 && b == 0 && flag == 0; }
};

// The lines "tre", "due" and "uno" (rows 81, 82, 83 before ordering) that
// the ordering turns into the stored rows, the flag's 100 m included; the
// lines in their own order when that one does. None when no lines give
// the stored rows.
std::optional<std::array<Progressive, 3>> progressives_before_ordering(const Timetable& t);

// The progressive lines for rows 81, 82, 83 as read, leaving out empty ones.
std::vector<SourceLine> progressive_lines(const std::array<Progressive, 3>& rows);

// "sfondo" and "ripetizione segnali" lines. A repetition stretch whose
// start or end is off the 50 m grid was the general data's last line: the
// compile stopped at it, and `stops_here` says so.
std::vector<SourceLine> background_lines(const Timetable& t);
struct RepetitionLines {
  std::vector<SourceLine> lines;
  bool stops_here = false;
};
RepetitionLines repetition_lines(const Timetable& t);

// The train file's general lines: coaches, braked mass, sand, clock.
std::vector<SourceLine> train_general_lines(const Timetable& t);

}  // namespace scenarioc
