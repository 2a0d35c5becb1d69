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
