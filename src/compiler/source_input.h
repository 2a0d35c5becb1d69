// Where the compiler takes the text of its two sources from. It never opens
// or deletes a file itself: the command line hands it texts held in memory,
// and the built-in run a reader of the files it has just written, which
// deletes each one once the compiler is done with it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenarioc {

enum class SourceRole { kLine, kTrain };

// The largest source file the compiler reads; a larger one is refused before
// it is read. The largest scenario the formats allow (a 1 000 000 m line with
// every table full, bench/largest_scenario.cc) has a line file of 0.3 MB and
// a train file of 0.13 MB; a row every 50 m and every text at its longest
// (65535 bytes) would still stay below 8 MB. 16 MiB leaves a wide margin and
// keeps what a hostile or mistaken file can make the compiler hold small.
constexpr uint64_t kLargestSource = uint64_t{16} << 20;

// A source that exists but whose text cannot be had; `what()` is the reason.
class SourceUnreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SourceInput {
 public:
  virtual ~SourceInput() = default;
  // The source's name in diagnostics, as the author gave it.
  virtual const std::string& label(SourceRole role) const = 0;
  // Whether the source is there at all: a missing line file compiles nothing.
  virtual bool exists(SourceRole role) const = 0;
  // The whole text, valid as long as the input. Throws SourceUnreadable.
  virtual std::string_view read(SourceRole role) = 0;
  // The compiler is done with the source: read whole, or stopped in it.
  // Returns what went wrong in letting it go, if anything.
  virtual std::optional<std::string> release(SourceRole) { return std::nullopt; }
};

// Both texts in memory; a text left out stands for a file that is not there.
class TextSources final : public SourceInput {
 public:
  struct Text {
    std::string label;
    std::optional<std::string> text;
  };
  TextSources(Text line, Text train) : line_(std::move(line)), train_(std::move(train)) {}

  const std::string& label(SourceRole role) const override { return of(role).label; }
  bool exists(SourceRole role) const override { return of(role).text.has_value(); }
  std::string_view read(SourceRole role) override {
    const Text& t = of(role);
    if (!t.text) throw SourceUnreadable("no such file");
    return *t.text;
  }

 private:
  const Text& of(SourceRole role) const { return role == SourceRole::kLine ? line_ : train_; }
  Text line_, train_;
};

}  // namespace scenarioc
