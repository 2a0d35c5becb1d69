// What the fuzz targets do with one input, shared with the regression test
// that replays every saved finding through the same code.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "cli/report.h"
#include "compiler/item_reader.h"
#include "compiler/compile.h"
#include "compiler/runtime_failure.h"
#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"

namespace scenarioc::fuzz {

// A compile input is the line file, this separator, then the train file.
// Without the separator the whole input is the line file and the train file
// is empty.
inline constexpr std::string_view kSeparator = "\n#####train#####\n";

inline std::pair<std::string, std::string> split_input(std::string_view input) {
  const size_t at = input.find(kSeparator);
  if (at == std::string_view::npos) return {std::string(input), std::string()};
  return {std::string(input.substr(0, at)),
          std::string(input.substr(at + kSeparator.size()))};
}

inline constexpr int32_t kLongestEncodedPlan = 20000;  // metres

// What an author's terminal would be shown must hold no byte that a
// terminal acts upon: no control byte but the line end and the tab.
inline void check_report(const CompileResult& result) {
  for (const Diagnostic& d : result.report.diagnostics) {
    const std::string shown = format_diagnostic(d);
    for (const char c : shown)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
        __builtin_trap();
  }
}

// Compiles both files in memory with the track plan, as an author's compile
// does (every warning, reading on) and as the built-in run does; the two
// must give the same tables. When the result may be written, encodes the
// three compiled files. Returns the number of bytes the files would hold,
// so that nothing is optimised away.
inline uint64_t compile_input(std::string_view input) {
  auto [line_text, train_text] = split_input(input);
  const CompileResult plain = compile(line_text, train_text, {"Fuzz", "1", true});
  const CompileResult result =
      compile(std::move(line_text), std::move(train_text), author_options("Fuzz", "1"));
  check_report(result);
  // The report never changes what is compiled.
  if (plain.closing_failure != result.closing_failure ||
      plain.scenario.failures.size() != result.scenario.failures.size())
    __builtin_trap();
  for (size_t i = 0; i < plain.scenario.failures.size(); ++i)
    if (plain.scenario.failures[i].code != result.scenario.failures[i].code ||
        plain.scenario.failures[i].position != result.scenario.failures[i].position)
      __builtin_trap();
  if (!result.writable()) return 0;
  if (encode_route(plain.scenario) != encode_route(result.scenario) ||
      encode_timetable(plain.scenario) != encode_timetable(result.scenario))
    __builtin_trap();
  const Scenario& s = result.scenario;
  // Encoding a plan costs about 0.4 ms a kilometre under the sanitizers and
  // longer plans reach no new code: above 20 km only its size is taken.
  // Both encoders must give the same bytes, as many as the size says.
  const uint64_t plan_bytes = line_plan_bytes(s.track_plan);
  if (s.track_plan.last_metre() <= kLongestEncodedPlan) {
    std::string in_order;
    encode_line_plan(s.track_plan, [&in_order](std::string_view piece) {
      in_order.append(piece);
    });
    std::string placed(plan_bytes, '\0');
    encode_line_plan_at(s.track_plan, [&placed](uint64_t offset, std::string_view piece) {
      if (offset > placed.size() || piece.size() > placed.size() - offset) __builtin_trap();
      placed.replace(offset, piece.size(), piece);
    });
    if (in_order.size() != plan_bytes || placed != in_order) __builtin_trap();
    // What is written reads back as it was.
    if (encode_line_plan(decode_line_plan(in_order)) != in_order) __builtin_trap();
  }
  const std::string timetable = encode_timetable(s);
  const std::string route = encode_route(s);
  if (decode_timetable(timetable) != s.scenario_table) __builtin_trap();
  if (decode_route(route) != s.route) __builtin_trap();
  return plan_bytes + timetable.size() + route.size();
}

// A decoder input: the same bytes read as a route, a timetable and a line
// plan file. Each decoder either refuses them with a FormatError at a byte
// inside the file or accepts bytes that its encoder writes back unchanged:
// whatever it accepts is a file the compiler could have written.
inline void decode_input(std::string_view bytes) {
  const auto check_offset = [&bytes](const FormatError& e) {
    if (e.offset() > bytes.size()) __builtin_trap();
  };
  try {
    if (encode_route(decode_route(bytes)) != bytes) __builtin_trap();
  } catch (const FormatError& e) {
    check_offset(e);
  }
  try {
    if (encode_timetable(decode_timetable(bytes)) != bytes) __builtin_trap();
  } catch (const FormatError& e) {
    check_offset(e);
  }
  try {
    if (encode_line_plan(decode_line_plan(bytes)) != bytes) __builtin_trap();
  } catch (const FormatError& e) {
    check_offset(e);
  }
}

// Counts lines up to a read position that only moves forward: CR LF, a lone
// CR and a lone LF each end one.
class LineCounter {
 public:
  explicit LineCounter(std::string_view data) : data_(data) {}
  int line_at(size_t offset) {
    for (; pos_ < offset && pos_ < data_.size(); ++pos_) {
      const char c = data_[pos_];
      if (c == '\r' || (c == '\n' && (pos_ == 0 || data_[pos_ - 1] != '\r'))) ++line_;
    }
    return line_;
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  int line_ = 1;
};

// A number the reader returned must be what its item says: an empty item
// (a comma) is 0, any other is read again here on its own.
inline void check_number(std::string_view data, size_t offset, int64_t value) {
  if (offset >= data.size()) __builtin_trap();
  if (data[offset] == ',') {
    if (value != 0) __builtin_trap();
    return;
  }
  size_t end = offset;
  while (end < data.size() && data[end] != ',' && data[end] != ' ' && data[end] != '\t' &&
         data[end] != '\r' && data[end] != '\n')
    ++end;
  int64_t expected = 0;
  const auto [ptr, ec] = std::from_chars(data.data() + offset, data.data() + end, expected);
  if (ec != std::errc() || ptr != data.data() + end || expected != value) __builtin_trap();
}

// An item-reader input: its first byte gives how many of the following bytes
// (1 to 16) are read kinds; the rest is the text. The kinds are used in turn,
// over and over, until the text ends or a read fails. Every value read is
// checked against the text it came from.
inline void read_items(std::string_view input) {
  if (input.empty()) return;
  const size_t kinds = 1 + static_cast<uint8_t>(input[0]) % 16;
  if (input.size() < 1 + kinds) return;
  const std::string_view kind = input.substr(1, kinds);
  const std::string_view data = input.substr(1 + kinds);
  ItemReader r(data, "fuzz.txt");
  LineCounter lines(data);
  // Every read consumes at least one byte, so more reads than bytes is a hang.
  size_t last_offset = 0;
  for (size_t n = 0; !r.at_end(); ++n) {
    if (n > data.size()) __builtin_trap();
    try {
      switch (static_cast<uint8_t>(kind[n % kinds]) % 4) {
        case 0: {
          const std::string_view t = r.read_text();
          // The item is a view into the text, at the place the reader names.
          if (t.data() != data.data() + r.last_offset()) __builtin_trap();
          if (t.find_first_of(",\r\n") != std::string_view::npos) __builtin_trap();
          if (!t.empty() && (t.back() == ' ' || t.back() == '\t')) __builtin_trap();
          break;
        }
        case 1: {
          const int64_t v = r.read_long();
          check_number(data, r.last_offset(), v);
          break;
        }
        case 2: {
          const int64_t v = r.read_integer();
          check_number(data, r.last_offset(), v);
          break;
        }
        default: {
          const int64_t v = r.read_byte();
          check_number(data, r.last_offset(), v);
          break;
        }
      }
    } catch (const RuntimeFailure& f) {
      // A failure names the item's line, which holds the item's first byte.
      if (!f.where || f.where->line < 1 || f.where->column < 1) __builtin_trap();
      return;
    }
    if (r.last_offset() < last_offset) __builtin_trap();  // items come in file order
    last_offset = r.last_offset();
    if (r.last_line() != lines.line_at(last_offset)) __builtin_trap();
    const SourceLocation at = r.last_location();
    if (at.line < 1 || at.column < 1) __builtin_trap();
  }
}

}  // namespace scenarioc::fuzz
