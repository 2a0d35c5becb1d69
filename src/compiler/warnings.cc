#include "compiler/warnings.h"

namespace scenarioc {
namespace {

constexpr WarningInfo kWarnings[] = {
    {Warning::kUnknownKey, "unknown-key",
     "a row whose key matches no key of its file, so the whole row is ignored"},
    {Warning::kMisplacedKey, "misplaced-key",
     "a key of the other file, or of another section, where it is not read"},
    {Warning::kCommentedRow, "commented-row",
     "a row that looks commented out (#, ;, //, dashes) but holds a key and is read"},
    {Warning::kHeaderIsKey, "header-is-key",
     "a section header that holds a key and is read as a row, taking the next values"},
    {Warning::kSeveralKeys, "several-keys",
     "a key that holds two keys, each of which reads its values"},
    {Warning::kOutOfOrder, "out-of-order",
     "positions that do not ascend where their order changes what is compiled"},
    {Warning::kRounded, "rounded",
     "a position off the 50 m cells or a speed off the 5 km/h steps, rounded silently"},
    {Warning::kEmptyValue, "empty-value", "an empty value read as 0"},
    {Warning::kImplausible, "implausible",
     "a value outside the range the simulator can hold"},
    {Warning::kPastRoute, "past-route",
     "a position past the end of the line that still fits the route's last 7000 m"},
    {Warning::kNegativePosition, "negative-position",
     "a negative position, which writes nothing"},
    {Warning::kSplitNumber, "split-number",
     "a blank inside a number ('27 000'), read as two values"},
    {Warning::kTextAfterNumber, "text-after-number",
     "text after a number in the same field, read as an item of its own"},
    {Warning::kRowContinues, "row-continues",
     "a row that ends before its values, which are then taken from the next line"},
    {Warning::kTextCut, "text-cut",
     "a name or sign text cut at a comma, the rest read as an item of its own"},
    {Warning::kLastItemUnread, "last-item-unread",
     "a file that does not end with a header such as '[fine]', so its last item is never read"},
    {Warning::kMixedEncoding, "mixed-encoding",
     "a UTF-8 file with a byte that is not UTF-8, read wholly as Windows-1252"},
    {Warning::kControlCharacter, "control-character",
     "a control character (ESC, BEL, DEL and the like) in a station name, sign text or line name"},
    {Warning::kDecimalFraction, "decimal-fraction",
     "a number with a decimal comma or point, read as a whole number and a stray one"},
    {Warning::kThousandsSeparator, "thousands-separator",
     "a number with a thousands dot or apostrophe ('40.000'), which the compiler cannot read"},
    {Warning::kTimeWithColons, "time-with-colons",
     "a time written with colons ('9:58:00') where its hours, minutes and seconds are values"},
    {Warning::kPercentSign, "percent-sign", "a number with a per cent sign ('95%')"},
    {Warning::kSemicolons, "semicolons",
     "values parted by semicolons, as a spreadsheet writes them, instead of commas"},
    {Warning::kKilometres, "kilometres", "a position or length in kilometres where metres belong"},
    {Warning::kRouteLength, "route-length",
     "a route length that the items of the scenario lie far past ('8' for 8000 m)"},
    {Warning::kOtherLine, "other-line",
     "a train file named for another line than the line file beside it"},
    {Warning::kRepeatedSetting, "repeated-setting",
     "a value of the general data given twice, of which only the last counts"},
    {Warning::kReversedStretch, "reversed-stretch",
     "a stretch that ends before it starts, so it covers nothing"},
    {Warning::kStretchOutside, "stretch-outside",
     "a stretch that reaches past the end of the line"},
    {Warning::kZeroLength, "zero-length", "a curve or a mountain stretch of length 0"},
    {Warning::kCurveSide, "curve-side",
     "a curve key that holds both side letters, or neither, so it bends the way the letters do not say"},
    {Warning::kCurveClass, "curve-class",
     "a curve key that holds more than one digit, of which only the first class counts"},
    {Warning::kFirstRowLate, "first-row-late",
     "a speed or adhesion list that does not begin at 0, so the first metres get 0"},
    {Warning::kZeroSpeed, "zero-speed",
     "a speed limit or slow-down of 0 km/h before the last station, or a board of 0 km/h"},
    {Warning::kSlowDownNotSlower, "slow-down-not-slower",
     "a slow-down not below the speed limit in force where it starts"},
    {Warning::kSlowDownOutside, "slow-down-outside",
     "a slow-down that ends past the end of the line or past the station that ends the run"},
    {Warning::kSlowDownShort, "slow-down-short", "a slow-down shorter than a 50 m cell"},
    {Warning::kSlowDownUnwarned, "slow-down-unwarned",
     "a slow-down within the first 1500 m, whose warning board is not written"},
    {Warning::kStationArea, "station-area",
     "a station longer than 2000 m, longer than any station area"},
    {Warning::kDuplicateStation, "duplicate-station", "a station named twice"},
    {Warning::kTimeBackwards, "time-backwards",
     "a station time earlier than the time of a station before it"},
    {Warning::kImplausibleTime, "implausible-time",
     "a station time far after the one before it ('35:14' for 14:35, '17:45' for 7:45)"},
    {Warning::kClockAfterDeparture, "clock-after-departure",
     "a clock that starts the run after the first station's time"},
    {Warning::kTimetableTooTight, "timetable-too-tight",
     "less time between two stations than the line's speed limits allow"},
};

static_assert(std::size(kWarnings) == static_cast<size_t>(Warning::kCount));

}  // namespace

std::span<const WarningInfo> warning_table() { return kWarnings; }

const WarningInfo& warning_info(Warning w) { return kWarnings[static_cast<size_t>(w)]; }

std::optional<Warning> warning_named(std::string_view name) {
  for (const WarningInfo& w : kWarnings)
    if (w.name == name) return w.id;
  return std::nullopt;
}

}  // namespace scenarioc
