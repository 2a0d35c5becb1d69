// The warnings of the compiler: things the scenario format accepts but an
// author almost surely did not mean. Each has a stable name, used on the
// command line (-Wno-NAME turns one off) and shown after its message as
// [-WNAME]. Warnings never change a compiled byte, an error code or the exit
// status; only --werror makes them fail the compile.
#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace scenarioc {

enum class Warning : unsigned char {
  kUnknownKey,
  kMisplacedKey,
  kCommentedRow,
  kHeaderIsKey,
  kSeveralKeys,
  kOutOfOrder,
  kRounded,
  kEmptyValue,
  kImplausible,
  kPastRoute,
  kNegativePosition,
  kSplitNumber,
  kTextAfterNumber,
  kRowContinues,
  kTextCut,
  kLastItemUnread,
  kMixedEncoding,
  kControlCharacter,
  // Foreign shapes of numbers and rows.
  kDecimalFraction,
  kThousandsSeparator,
  kTimeWithColons,
  kPercentSign,
  kSemicolons,
  kKilometres,
  // What the scenario means.
  kRouteLength,
  kOtherLine,
  kRepeatedSetting,
  kReversedStretch,
  kStretchOutside,
  kZeroLength,
  kCurveSide,
  kCurveClass,
  kFirstRowLate,
  kZeroSpeed,
  kSlowDownNotSlower,
  kSlowDownOutside,
  kSlowDownShort,
  kSlowDownUnwarned,
  kStationArea,
  kDuplicateStation,
  kTimeBackwards,
  kImplausibleTime,
  kClockAfterDeparture,
  kTimetableTooTight,
  kCount
};

struct WarningInfo {
  Warning id;
  std::string_view name;     // stable: "unknown-key"
  std::string_view summary;  // one line, for `scenarioc help warnings`
};

// Every warning, in the order above.
std::span<const WarningInfo> warning_table();
const WarningInfo& warning_info(Warning w);
std::optional<Warning> warning_named(std::string_view name);

// Which warnings a compile looks for.
class WarningSet {
 public:
  static WarningSet all() {
    WarningSet s;
    s.on_.set();
    return s;
  }
  static WarningSet none() { return WarningSet{}; }
  bool has(Warning w) const { return on_.test(static_cast<size_t>(w)); }
  bool any() const { return on_.any(); }
  void set(Warning w, bool on) { on_.set(static_cast<size_t>(w), on); }

 private:
  std::bitset<static_cast<size_t>(Warning::kCount)> on_;
};

}  // namespace scenarioc
