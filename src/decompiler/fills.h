// Gradients, speed limits and adhesion: one value a cell, written by lines
// that each carry the value from their position on.
#pragma once

#include <cstdint>
#include <vector>

namespace scenarioc {

enum class FillField { kGradient, kSpeed, kAdhesion };

// One "pendenza", "velocita" or "aderenza" line.
struct FillLine {
  int32_t position = 0;  // m
  int32_t value = 0;     // per mille, km/h or the adhesion value
  // A line at 50 m that only moves the compiler's cursor one cell on, for
  // the cells past the last position a line may name.
  bool push = false;
};

// The lines that fill `bytes` (the field of cells 0 to cell_count) as the
// compiler does: each line writes the value of the line before it into the
// cells from the cursor up to its own cell; when `tail` is set, the file
// then ended normally and the last value runs on to cell_count - 3. Cells
// never written hold 0, so trailing zeros need no line. Returns no lines
// when no cell was written.
std::vector<FillLine> fill_lines(const std::vector<uint8_t>& bytes, FillField field, bool tail);

}  // namespace scenarioc
