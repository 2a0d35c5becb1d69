// What the compiler tells an author: where in a source a failure comes
// from, the failure itself, and the warnings and notes that go with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scenarioc {

// Where a diagnostic points in a source file. The source line is kept only
// as a window around the column, so a line of megabytes is never copied
// whole; `text_column` says where in the line the window starts.
struct SourceLocation {
  std::string file;   // as the user named it
  int line = 0;       // 1-based; 0 for the file as a whole
  int column = 0;     // 1-based, the first byte of the item at fault
  std::string text;   // the source line (or its window), without its line end
  int text_column = 1;     // the line's column of text's first byte
  bool text_cut = false;   // the line goes on after the window
};

// A further place that a diagnostic involves: "the speed board in cell 78
// comes from here". A note without a location is a remark of its own.
struct Note {
  std::string message;
  std::optional<SourceLocation> where;
  // When 0 or more: the note points at the source row behind the occupant
  // of this route cell, which the compile pipeline, holding the sources,
  // looks up into `where`.
  int64_t row_of_cell = -1;
};

// A failure recorded during the run; the run goes on (the command line reports it).
struct Failure {
  int32_t code = 0;
  std::optional<int32_t> position;  // metres along the line
  std::string message;              // in words, for the scenario author
  std::optional<SourceLocation> where;
  std::vector<Note> notes = {};
  // As for a note: the source row behind this cell's occupant, looked up by
  // the compile pipeline into `where` when `where` is not given.
  int64_t row_of_cell = -1;
};

enum class Severity : uint8_t { kError, kWarning };

// One entry of a compile's report, in the order found.
struct Diagnostic {
  // Which of the three kinds of error this is; warnings are kRecorded.
  enum class Origin : uint8_t {
    kRecorded,  // a failure the compile recorded (a code in Scenario::failures, or a
                // closing check's 1250 or 1251), or a warning
    kReadOn,    // found by reading on after a file's first failure; changed nothing
    kRefused,   // an input refused before compiling
  };
  Severity severity = Severity::kError;
  Origin origin = Origin::kRecorded;
  std::string warning;  // the warning's name ("unknown-key"); empty for an error
  Failure failure;      // code 0 for a warning or a refusal
};

}  // namespace scenarioc
