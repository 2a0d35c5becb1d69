// The rules of the route, in both directions: where an item of the sources
// lands in the cells and how its values are packed into a cell's codes, and
// how a reader of the cells gets the item back. The compiler's cell writers
// and the finishing pass write by them; the decompiler, the plot and the
// dump read by them, so that every reader of a cell sees what was written.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/rounding.h"

namespace scenarioc {

// ---- lengths ---------------------------------------------------------------

// The metres a cell stands for: cell c covers the metres around 50 c.
inline constexpr int32_t kCellMetres = 50;
// The route runs this far beyond the line's end, so that a train stopping
// at the last station still has track under it.
inline constexpr int32_t kRouteTail = 7000;
// The longest line a line file may give (1000 km); the track plan's cursor
// may not pass it either.
inline constexpr int32_t kLongestLine = 1000000;

// The last cell of the route of a line `length` metres long.
inline int64_t route_last_cell(int64_t length) { return cell_of(length + kRouteTail); }

// ---- markers -----------------------------------------------------------------

// Every compiled scenario carries these in code1 of cell 1 and int_a of
// timetable row 85; the simulator and the decompiler look for them.
inline constexpr int16_t kRouteMarker = 5121;
inline constexpr int16_t kLineMarker = 610;

// The value of a braking point the finishing pass places, or lowers an
// existing point to.
inline constexpr int16_t kPointValue = 180;

// ---- narrow fields -----------------------------------------------------------

// A whole number stored into an Integer or Byte field keeps its low bits.
inline int16_t low16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }
inline uint8_t low8(int64_t v) { return static_cast<uint8_t>(v); }

// ---- item positions ----------------------------------------------------------

// A lineside item (signal, board, sign, slow-down start or end) at metre p
// stands in cell p / 50 + 1, rounded; read back, the cell gives the metre
// 50 (c - 1).
inline int64_t item_cell(int64_t p) { return cell_of(p, 1); }
inline int64_t item_position(int64_t c) { return int64_t{kCellMetres} * (c - 1); }

// A braking point at metre p stands in cell p / 50, rounded; read back, 50 c.
inline int64_t point_cell(int64_t p) { return cell_of(p); }
inline int64_t point_position(int64_t c) { return int64_t{kCellMetres} * c; }

// ---- stations ------------------------------------------------------------------

// The area of a station: from where the train enters it to where it stops.
struct StationArea {
  int64_t start = 0;
  int64_t stop = 0;
  friend bool operator==(const StationArea&, const StationArea&) = default;
};

// By the station's kind: kinds 5 and 6 stop 150 m past the position and
// begin `length` before it; kinds 7 and 8 reach `length` either side; the
// others lie half their length either side, their stop 50 m further on
// when `shifted` (byte_c of any row but the first).
inline StationArea station_area(int type, int64_t position, int64_t length, bool shifted) {
  if (type == 5 || type == 6) return {position - length, position + 150};
  if (type == 7 || type == 8) return {position - length, position + length};
  return {round_half_even(static_cast<double>(position) - static_cast<double>(length) / 2.0),
          round_half_even(static_cast<double>(position) + static_cast<double>(length) / 2.0 +
                          (shifted ? 50 : 0))};
}

// The length back from the area's start, the inverse of station_area.
inline int64_t station_length(int type, int64_t position, int64_t start) {
  if (type >= 5 && type <= 8) return position - start;
  return 2 * (position - start);
}

// Kinds below 25 stop the train; of those, all but 5 and 6 write four
// approach marks in front of the stop.
inline bool station_stops(int type) { return type < 25; }
inline bool station_has_marks(int type) { return type < 25 && type != 5 && type != 6; }
inline constexpr int kStationMarks = 4;
inline constexpr uint8_t kStationMarkCode = 80;  // mark k holds repeat code 80 + k

// The cell `k` cells in front of a station's stop cell (k = 0 is the stop
// itself, 1 to 4 its approach marks): stop / 50 - k - 1, rounded; nothing
// when that lies within the first 100 m of the route.
inline std::optional<int64_t> station_cell(int64_t stop, int k) {
  const double q = static_cast<double>(stop) / kCellMetres - k - 1;
  if (q <= 1) return std::nullopt;
  return round_half_even(q);
}

// ---- what each cell keeps of the line and the train -------------------------

// A cell keeps its gradient as 100 + per mille and its speed limit in steps
// of 5 km/h (rounded half to even), each in one byte.
inline constexpr int kGradientBias = 100;
inline constexpr int kSpeedStepKmh = 5;
inline constexpr int cell_gradient(uint8_t stored) { return int{stored} - kGradientBias; }
inline constexpr int cell_speed_kmh(uint8_t stored) { return kSpeedStepKmh * int{stored}; }
// The stored step of a speed, which fits the byte only from 0 to 1277 km/h.
inline int64_t speed_steps(int64_t kmh) {
  return round_half_even(static_cast<double>(kmh) / kSpeedStepKmh);
}

// ---- slow-downs ------------------------------------------------------------------

// The warning board stands 1200 m (24 cells) before the start; a slow-down
// starting within the first 1500 m has neither the board nor its approach
// cells.
inline constexpr int32_t kWarningDistance = 1200;
inline constexpr int32_t kUnwarnedStretch = 1500;
inline constexpr int kWarningCells = kWarningDistance / kCellMetres;
inline constexpr int kApproachCells = 4;

constexpr bool slow_down_warned(int64_t x) { return x > kUnwarnedStretch; }

// The cells of a slow-down starting at metre x, `length` metres long. The
// approach cells count down from `approach`, which is (x - 1200) / 50
// rounded: with a start half-way between cells it can differ from the
// cell before the warning board by one.
struct SlowDownCells {
  int64_t warning = 0;
  int64_t start = 0;
  int64_t end = 0;
  int64_t approach = 0;  // the first of kApproachCells, then approach - 1 ...
};
inline SlowDownCells slow_down_cells(int64_t x, int64_t length) {
  return {item_cell(x - kWarningDistance), item_cell(x), item_cell(x + length),
          cell_of(x - kWarningDistance)};
}

// The length back from the end's cell, the inverse for a start at metre x.
inline int64_t slow_down_length(int64_t x, int64_t end_cell) {
  return item_position(end_cell) - x;
}

// ---- signal codes ----------------------------------------------------------------

// code1 to code3 of a signal (and code4 of a board) hold two digits as
// s x 10 + d; read back by whole-number division, so a negative code gives
// negative digits that pack into it again.
struct TensPair {
  int s = 0;
  int d = 0;
  friend bool operator==(const TensPair&, const TensPair&) = default;
};
inline int16_t tens_code(int64_t s, int64_t d) { return low16(s * 10 + d); }
inline TensPair split_tens(int16_t code) { return {code / 10, code % 10}; }

// code4 of a signal: rapp x 10 + X, with X = sx x 3 + dx; the repeat cells
// 100 to 400 m in front of it hold X x 10 + k in their low 8 bits.
inline int16_t signal_code4(int64_t rapp, int64_t x) { return low16(rapp * 10 + x); }
inline uint8_t signal_repeat_code(int64_t x, int k) { return low8(x * 10 + k); }

// X as code4 alone shows it: its last digit, 0 to 9; a signal that keeps a
// time has sx = 2, so X is at least 6 and a last digit below 6 means 10 more.
inline int32_t signal_x_of_code4(int16_t code4, bool keeps_time) {
  const int32_t x = ((code4 % 10) + 10) % 10;
  return keeps_time && x < 6 ? x + 10 : x;
}

// rapp back from code4 once X is known, through the 16-bit wrap where
// code4 - X is no multiple of 10.
inline int64_t signal_rapp(int16_t code4, int32_t x) {
  int64_t rapp = (int64_t{code4} - x) / 10;
  int64_t rest = int64_t{code4} - x - rapp * 10;
  for (int t = 1; rest != 0 && t < 5; ++t) {
    const int64_t d = int64_t{code4} - x + 65536 * t;
    if (d % 10 == 0) {
      rapp = d / 10;
      rest = 0;
    }
  }
  return rapp;
}

// X modulo 128 from the repeat code of the k-th repeat cell, or nothing
// when no X gives that byte.
inline std::optional<int32_t> signal_x_of_repeat(uint8_t code, int k) {
  const int diff = (int{code} - k) & 0xff;
  if (diff % 2 != 0) return std::nullopt;
  return (diff / 2 * 77) & 127;  // 77 is the inverse of 5 modulo 128
}

// sx and dx back from X: a signal that keeps a time has sx = 2.
struct SignalAspect {
  int32_t sx = 0;
  int32_t dx = 0;
  friend bool operator==(const SignalAspect&, const SignalAspect&) = default;
};
inline SignalAspect split_signal_x(int32_t x, bool keeps_time) {
  if (keeps_time) return {2, x - 6};
  if (x >= 0) return {x / 3, x % 3};
  return {0, x};
}

// A signal time of 1 to 100 s is too short for the simulator: it is stored
// as 101. Only a signal with sx = 2 keeps its time, in one byte.
inline uint8_t signal_time_byte(int64_t sx, int64_t tempo) {
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  return sx == 2 ? low8(tempo) : 0;
}
// The time written for a stored byte: a byte of 1 to 100 comes from 256 more.
inline int64_t signal_time_of_byte(uint8_t b) { return b != 0 && b <= 100 ? b + 256 : b; }

// ---- board codes -------------------------------------------------------------------

// One speed pair of a board of maximum speeds: 20 s + d / 5, rounded (d
// keeps its fraction), low 16 bits; the sum stays within about 2^36, so the
// rounded value fits an int64 first. Read back, s is the code divided by 20
// rounded down and d five times what is left (0 to 95), so every code,
// a negative one too, reads as one pair that encodes to it again.
struct BoardSpeed {
  int s = 0;
  int d = 0;
  friend bool operator==(const BoardSpeed&, const BoardSpeed&) = default;
};
inline int16_t board_code(int64_t d, int64_t s) {
  return low16(round_half_even(static_cast<double>(d) / 5.0 + static_cast<double>(s) * 20.0));
}
inline BoardSpeed board_speed(int16_t code) {
  const int s = code >= 0 ? code / 20 : -((-code + 19) / 20);
  return {s, (code - s * 20) * 5};
}

// ---- curves ------------------------------------------------------------------------

// The curvature of each of the six curve classes, 1 first, in turns of the
// plan's step a metre; a curve to the left bends the other way.
inline constexpr int kCurveClasses = 6;
inline constexpr double kCurveClassCurvature[kCurveClasses] = {0.0001, 0.0002, 0.0004,
                                                                0.001,  0.002,  0.003};

}  // namespace scenarioc
