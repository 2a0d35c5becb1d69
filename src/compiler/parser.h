// The state the line and train parsers share while one compilation reads its
// two sources, and the ways a parser stops.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/item_reader.h"
#include "compiler/source_input.h"
#include "model/scenario_tables.h"

namespace scenarioc {

// Thrown once a stopping failure is recorded: the file being read is closed
// and deleted and the parser returns.
struct ErrorExit {};

// What a handler tells the pass after it has acted on an item.
enum class Flow { kGoOn, kEndPass };

// Substring tests on a key: case-sensitive, and ignoring ASCII letter case.
bool contains(std::string_view item, std::string_view word);
bool contains_ci(std::string_view item, std::string_view word);

// Positions and lengths must fall on the 50 m (or 100 m) grid of the route.
inline bool multiple_of(int64_t v, int64_t m) { return v % m == 0; }

// Where a value was read. The source line it stands on is looked up only
// when a failure names it (the conversion), so reading a value allocates
// nothing.
struct ItemMark {
  const ItemReader* reader = nullptr;
  size_t offset = 0;
  int line = 0;
  operator SourceLocation() const { return reader->location_at(offset, line); }
};

struct Parser {
  Parser(Scenario& s, SourceInput& input) : s(s), input(input) {}

  Scenario& s;
  SourceInput& input;
  // The source being read and its reader. They outlive the parse functions
  // so that the failure handler can still name the line.
  SourceRole reading = SourceRole::kLine;
  std::unique_ptr<ItemReader> reader;

  // Starts reading a source; one that cannot be read is a runtime failure.
  void open(SourceRole role);

  // Where the key of the line being handled starts.
  size_t key_offset = 0;
  int key_line = 0;

  // Carried from the line file into the train file.
  int32_t sign_slot = kFirstSignRow;
  // Line file.
  int64_t gradient_cursor = 0;
  int32_t previous_gradient = 0;
  // Train file.
  int64_t speed_cursor = 0;
  int32_t previous_speed = 0;
  int64_t adhesion_cursor = 0;
  int32_t previous_adhesion = 0;
  int32_t station_row = 1;

  // Reads the next text item into current_line.
  std::string_view next_key();
  // The next key of a data section: up to two comment items (holding a
  // dash) in a row are skipped. None once the last item of the file has
  // been read, since the last item is never interpreted.
  std::optional<std::string_view> next_data_key();

  SourceLocation key_location() const;
  ItemMark value_location() const {
    return ItemMark{reader.get(), reader->last_offset(), reader->last_line()};
  }

  // Records a failure at `where` (the key when not given) and goes on.
  void record(int32_t code, std::optional<int32_t> position, std::string message,
              std::optional<SourceLocation> where = std::nullopt);
  // Records a failure and takes the error exit.
  [[noreturn]] void error_exit(int32_t code, std::optional<int32_t> position,
                               std::string message,
                               std::optional<SourceLocation> where = std::nullopt);

  // The range test on a position read at `at`; records code 15 when it
  // fails, which ends the pass.
  Flow range_test(int32_t p, const char* what, const ItemMark& at, int reach = 100);

  // Lets a source go once the parser is done with it (the built-in run
  // deletes its own sources then); a failure to do so is code 25.
  void consume(SourceRole role);

  // A route cell that must exist; throws RuntimeFailure otherwise.
  RouteCell& cell(int64_t c, const char* what);
};

// The two halves of the parser.
void parse_line_file(Parser& p);   // up to and including its closing steps
void parse_train_file(Parser& p);  // up to and including its closing steps

}  // namespace scenarioc
