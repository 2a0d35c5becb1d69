#include "largest_scenario.h"

#include <cstdio>

namespace scenarioc::bench {
namespace {

constexpr int kLength = 1000000;  // m, the longest route
constexpr int kBlock = 12500;     // m: one station, slow-down, board and mountain stretch each

// The line is laid out in blocks of 250 cells (12500 m); within a block:
//   cells 20-79    a mountain stretch (markers every fourth cell)
//   cells ...5     a signal every 10 cells, all along the line
//   cell 3         a station's stop cell (blocks 1 to 78)
//   cells 116-120  a slow-down's approach and warning cells
//   cells 144-164  the slow-down itself, start to end
//   cell 201       a speed board
//   cell 220       an abbattimento point
// and the finishing pass finds free cells where it needs them.

void line(std::string& out, const char* format, auto... values) {
  char buf[160];
  const int n = std::snprintf(buf, sizeof buf, format, values...);
  out.append(buf, static_cast<size_t>(n));
  out.append("\r\n");
}

}  // namespace

std::string largest_line_source() {
  std::string out;
  out.reserve(400000);
  line(out, "[generale]");
  line(out, "lunghezza percorso,    %d", kLength);
  line(out, "progressiva chilometrica uno,    0,    %d,    1", kLength - 6000);
  line(out, "progressiva chilometrica due,    300000,    %d,    1", kLength + 10000);
  line(out, "progressiva chilometrica tre,    600000,    %d,    1", kLength - 6000);
  line(out, "sfondo uno,    200000");
  line(out, "sfondo due,    1");
  line(out, "sfondo tre,    0");
  line(out, "ripetizione segnali 9 codici,    0,    %d", kLength);
  line(out, "[curve]");
  // A curve every 500 m, all six classes to both sides, ending short of the
  // plan's last metre.
  for (int i = 0; i < kLength / 500; ++i)
    line(out, "curva%c%d,  %d,  250", i % 2 == 0 ? 'd' : 's', 1 + i % 6, 500 * i + 100);
  line(out, "[pendenze]");
  for (int p = 0; p <= kLength; p += 100)
    line(out, "pendenza,  %d,   %d", p, (p / 100) % 25 - 12);
  line(out, "[montagne]");
  for (int j = 0; j < 80; ++j) {
    const int tipo = j % 3 == 0 ? 2 : (j % 3 == 1 ? 11 : 12);
    line(out, "montagna,   %d,  %d,  %d", kBlock * j + 1000, kBlock * j + 4000, tipo);
  }
  line(out, "[cartelli]");
  for (int j = 0; j < 80; ++j)
    line(out, "indicatori_vmax,  %d,  %d,  %d,  %d,  0,  ,  ,  ,  0", kBlock * j + 10000,
         80 + 5 * (j % 10), 100 + 5 * (j % 10), 120 + 5 * (j % 10));
  line(out, "[indicazioni]");
  line(out, "[fine]");
  return out;
}

std::string largest_train_source() {
  std::string out;
  out.reserve(200000);
  line(out, "[generale]");
  line(out, "numero vetture,    12");
  line(out, "percentuale massa frenata,    130");
  line(out, "sabbia,    300");
  line(out, "orologio,    6               51            45 ");
  line(out, "[aderenze]");
  for (int p = 0; p <= kLength; p += 10000) line(out, "aderenza,  %d,    %d", p, 70 + (p / 10000) % 31);
  line(out, "[vel_limite]");
  for (int p = 0; p <= kLength; p += 5000) line(out, "velocita,  %d,   %d", p, 60 + 10 * ((p / 5000) % 15));
  line(out, "[stazioni]");
  // Type 2, 400 m long: the stop cell is cell 3 of the block.
  for (int i = 1; i <= 78; ++i)
    line(out, "stazione,  %d,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    %d,   %d,%02d, 0, STAZIONE %d",
         kBlock * i, i % 2, 6 + i / 4, (i * 13) % 60, i);
  line(out, "[rallentamenti]");
  // Start at cell 144, end at 164; below 110 km/h every other one, so the
  // finishing pass places points inside.
  for (int j = 0; j < 80; ++j)
    line(out, "rallentamento,  %d,  %d,  1000,  1,  1,  %d", kBlock * j + 7150,
         j % 2 == 0 ? 60 : 120, j % 3);
  line(out, "abbattimento,  %d,  0", 11000);
  for (int j = 1; j < 80; ++j) line(out, "abbattimento,  %d,  %d", kBlock * j + 11000, 100 + j);
  line(out, "[segnali]");
  for (int i = 1; i <= 2000; ++i)
    line(out, "segnale,  %d,   %d, 4, %d,  0, 0,    1,  1,0,0, %d", 500 * i + 200, 1 + i % 2,
         i % 3, i % 2 == 0 ? 50 : 0);
  line(out, "[codici]");
  line(out, "[fine]");
  return out;
}

}  // namespace scenarioc::bench
