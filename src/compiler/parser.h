// The state the line and train parsers share while one compilation reads its
// two sources, and the ways a parser stops.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/item_reader.h"
#include "compiler/keywords.h"
#include "compiler/parse_sources.h"
#include "compiler/source_input.h"
#include "compiler/warnings.h"
#include "model/error_codes.h"
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

// "first", "second", ... for the values of a row.
std::string ordinal(int n);

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

// Where a file's reading stands.
enum class Phase : unsigned char { kHeader, kGeneral, kData, kClosing };

// A table that holds a limit on rows of one kind: once full, every further
// row of that kind fails the same way.
enum class Capacity : unsigned char { kNone, kStations, kSigns, kMountains };

// Lists whose rows must ascend, since their order changes what is compiled.
enum class OrderedList : unsigned char {
  kGradients, kCurves, kMountains, kSpeeds, kAdhesion, kSignals, kStations, kCount
};

// A row read before, for a note that points back at it.
struct RowMark {
  SourceRole file = SourceRole::kLine;
  size_t offset = 0;
  int line = 0;
};

// Where the reading of the sources stands: the file, how far into it, and
// where the key of the row being handled starts.
struct ReadingPosition {
  SourceRole file = SourceRole::kLine;
  Phase phase = Phase::kHeader;
  size_t key_offset = 0;
  int key_line = 0;
};

// The rows of one list (gradients, speed limits, adhesion) each carry one
// value a cell from their position on, up to the next row of the list: a
// row writes the value of the row before it into the cells from the cursor
// up to its own cell, and that row's value becomes the one carried on.
struct CellFill {
  int64_t cursor = 0;
  int32_t previous = 0;
  ItemMark previous_at;  // where `previous` was read, for a failure it causes
};

// The parser's plain state, copied whole when reading goes on on a scratch
// copy of the tables after a file's first failure.
struct ParserState {
  ReadingPosition here;

  // Carried from the line file into the train file.
  int32_t sign_slot = kFirstSignRow;
  CellFill gradients;  // line file
  CellFill speeds;     // train file
  CellFill adhesion;   // train file
  int32_t station_row = 1;

  // The keywords that acted on the row being handled, and how many values
  // the row had read when each began.
  static constexpr int kRowKeys = 4;
  Key row_keys[kRowKeys] = {};
  int row_key_base[kRowKeys] = {};
  int row_key_count = 0;
  bool key_matched = false;  // a keyword matched, acted upon or not

  // The previous row of each ordered list.
  struct Ordered {
    bool seen = false;
    int64_t position = 0;  // for curves: where the previous curve ends
    RowMark at;
  };
  Ordered order[static_cast<size_t>(OrderedList::kCount)];

  // The kilometric progressives as read, rows 81 ("tre") to 83 ("uno").
  struct ProgressiveRead {
    bool read = false;
    int32_t a = 0, b = 0;
    RowMark a_at, b_at;
  };
  ProgressiveRead progressive_read[3];

  // A limit reached by the row being handled.
  Capacity capacity = Capacity::kNone;

  // The key of the row being handled, and whether the warnings on its shape
  // (a comment mark, a header, several keys) were given.
  std::string_view key_text;
  bool shape_told = false;
};

// Reading on after a file's first failure: failures found are reported,
// not recorded, on a scratch copy of the tables.
struct ReadOnState {
  bool active = false;
  SourceLocation stopped_at;  // the failure that ended the reading; no file when unknown
  SourceRole stopped_in = SourceRole::kLine;
  bool capacity_reported[4] = {};  // a full table is told once
  size_t last_resume = 0;
};

struct Parser : ParserState {
  Parser(Scenario& s, SourceInput& input, ParseContext* ctx = nullptr)
      : s(s), input(input), ctx(ctx) {}

  Scenario& s;
  SourceInput& input;
  ParseContext* ctx;  // diagnostics beyond the recorded failures, when given
  // The source being read and its reader. They outlive the parse functions
  // so that the failure handler can still name the line.
  std::unique_ptr<ItemReader> reader;
  // The texts of both sources once opened, to name rows of either.
  std::string_view texts[2];
  bool opened[2] = {false, false};

  ReadOnState read_on;

  // Starts reading a source; one that cannot be read is a runtime failure.
  void open(SourceRole role);

  // Reads the next text item: a row's key.
  std::string_view next_key();
  // The next key of a data section: up to two comment items (holding a
  // dash) in a row are skipped. None once the last item of the file has
  // been read, since the last item is never interpreted.
  std::optional<std::string_view> next_data_key();

  SourceLocation key_location() const;
  ItemMark value_location() const {
    return ItemMark{reader.get(), reader->last_offset(), reader->last_line()};
  }
  RowMark key_mark() const { return RowMark{here.file, here.key_offset, here.key_line}; }
  // A place in either source.
  SourceLocation locate_in(SourceRole role, size_t offset, int line) const;
  SourceLocation locate_row(const RowMark& m) const { return locate_in(m.file, m.offset, m.line); }

  // Records a failure at `where` (the key when not given) and goes on.
  void record(ErrorCode code, std::optional<int32_t> position, std::string message,
              std::optional<SourceLocation> where = std::nullopt,
              std::vector<Note> notes = {});
  // Records a failure and takes the error exit.
  [[noreturn]] void error_exit(ErrorCode code, std::optional<int32_t> position,
                               std::string message,
                               std::optional<SourceLocation> where = std::nullopt,
                               std::vector<Note> notes = {});
  // The failure handler's record of a runtime failure (code 25).
  void record_runtime_failure(const class RuntimeFailure& f);

  // The range test on a position read at `at`; records code 15 when it
  // fails, which ends the pass.
  Flow range_test(int32_t p, const char* what, const ItemMark& at, int reach = 100);

  // Lets a source go once the parser is done with it (the built-in run
  // deletes its own sources then); a failure to do so is code 25.
  void consume(SourceRole role);

  // A route cell that must exist; throws RuntimeFailure otherwise.
  RouteCell& cell(int64_t c, const char* what);

  // --- diagnostics beyond the recorded failures

  // A keyword matched the key; `acts` when it reads its values.
  void matched(Key k, bool acts = true) {
    key_matched = true;
    if (!acts || row_key_count >= kRowKeys) return;
    row_keys[row_key_count] = k;
    row_key_base[row_key_count] = reader->row_count();
    ++row_key_count;
  }
  // Whether a warning is wanted now; counts it. Build its message only then.
  bool wants(Warning w) { return ctx && ctx->sink.admit(w); }
  void warn(Warning w, std::string message, SourceLocation where, std::vector<Note> notes = {});
  // After a key has been handled: the warnings on its row.
  void check_row(std::string_view key, SourceRole file, KeySection section) {
    if (ctx) check_row_read(key, file, section);
  }
  void check_row_read(std::string_view key, SourceRole file, KeySection section);
  // The row checks by kind. The key: one no keyword matched.
  void check_unmatched_key(std::string_view key, SourceRole file, KeySection section);
  // A value: its shape and range, against the keyword's description of it.
  struct ValueScan {
    bool continued = false;  // a value came from a later line (told once a row)
    // After a number split by a blank, or text after one, the values that
    // follow are shifted: what they are is no longer what they mean.
    bool shifted = false;
  };
  void check_value(const Keyword& k, int j, int base, ValueScan& scan);
  // The order: the row against the previous row of its list.
  void check_order(const Keyword& k, int base, int end);
  // The warnings on the key of a row a keyword acted upon; given once, and
  // before any error on the row.
  void key_shape(std::string_view key);
  // The last item of a file, which is never read.
  void last_item_unread(std::string_view item);
  // A note naming the source row behind a cell's occupant ("comes from here").
  std::vector<Note> occupant_note(int64_t cell, const std::string& what) const;

  // After the failure that ends the reading of this file: read on.
  // `abandoned`: the compile reads no further file either.
  void read_on_after_stop(bool abandoned);
  // Reading on: goes on at the row after the one that failed. False when
  // that makes no progress or the file has ended.
  bool resume();
};

// How the cells of a fill meet the end of the route.
enum class RouteEnd : unsigned char {
  kFails,  // a cell past the route is a runtime failure (code 25)
  kStops,  // writing stops, silently, before cell `cell_count`
};

// One list of fill rows: where its state is kept, the cell field it
// writes, and the byte a carried value is stored as (which may fail).
struct FillKind {
  CellFill ParserState::*state;
  uint8_t RouteCell::*field;
  const char* row_name;   // "gradient", for the range test
  const char* cell_name;  // "the gradient", for a cell that must exist
  RouteEnd rows_end;      // how the rows meet the route's end
  uint8_t (*byte_of)(CellFill& f);
};

// Writes the carried value into the cells from the cursor on, one at
// least, while the cursor is below `up_to`.
void fill_up_to(Parser& p, const FillKind& kind, int64_t up_to, RouteEnd end);
// A row of the list: its position, then the value it carries on.
Flow fill_row(Parser& p, const FillKind& kind);

// Reading on, on a scratch parser: `pass` is run from where the reading
// stands and, after each failure it meets, again from the row after the
// failure, until it ends (kGoOn) or makes no more progress. Failures are
// reported, as reading on reports them.
void read_on_through(Parser& q, Flow (*pass)(Parser&));

// The two halves of the parser.
void parse_line_file(Parser& p);   // up to and including its closing steps
void parse_train_file(Parser& p);  // up to and including its closing steps
// Reading on, on a scratch parser: the rest of the line file from the row
// after its failure, and the train file whole or from the row after its failure.
void read_on_line_file(Parser& q);
void read_on_train_file(Parser& q, bool from_start);

}  // namespace scenarioc
