#include "finishing/scenario_codes.h"

#include <string>

namespace scenarioc {
namespace {

// Makes the text long enough that 25 characters always exist.
constexpr char kFillText[] = "ppqqrrssttuuvvzzyyxxwwhhgg";
constexpr size_t kCountedChars = 25;

// Windows-1252 lower case: A..Z, Š Œ Ž Ÿ and À..Þ except the sign × (0xD7).
unsigned char lower_1252(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<unsigned char>(b + 0x10);
  if (b == 0x9F) return 0xFF;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
  return b;
}


// The simulator's code page has one byte a character: its value is the byte.
int32_t char_value(const std::string& w, size_t i) {
  return static_cast<unsigned char>(w[i]);
}

}  // namespace

std::string scenario_code_text(const Scenario& s) {
  std::string w = s.scenario_table[kTrainRow].text + s.scenario_table[kLineRow].text;
  for (char& ch : w) ch = static_cast<char>(lower_1252(static_cast<unsigned char>(ch)));
  w += kFillText;
  return w;
}

int32_t timetable_scenario_code(const Scenario& s) {
  const std::string w = scenario_code_text(s);
  int32_t sum = 0;
  for (size_t i = 0; i < kCountedChars; ++i)
    sum += static_cast<int32_t>(i + 1) * char_value(w, i);
  return sum;
}

int16_t route_scenario_code(const Scenario& s) {
  const std::string w = scenario_code_text(s);
  int16_t sum = 0;  // at most 25 x 255 = 6375
  for (size_t i = 0; i < kCountedChars; ++i)
    sum = static_cast<int16_t>(sum + char_value(w, i));
  return sum;
}

}  // namespace scenarioc
