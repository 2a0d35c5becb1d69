#include "lsp/fixes.h"

#include <functional>

#include "compiler/warnings.h"

namespace scenarioc::lsp {
namespace {

using Maker = std::function<std::vector<TextFix>(const Diagnostic&, const FixPlace&)>;

// A key that is a slip of the keyboard: the key the warning names instead.
std::vector<TextFix> did_you_mean(const Diagnostic& d, const FixPlace& p) {
  std::vector<TextFix> fixes;
  const std::vector<std::string> near = suggestions_in(d.failure.message);
  for (const std::string& s : near)
    fixes.push_back({"Write the key '" + s + "'", p.line, p.at, p.item_end, s, near.size() == 1});
  return fixes;
}

// A row meant as commented out with '#', ';', ''' or '//', which the
// format reads all the same: made a comment the format knows, one item
// holding dashes, its commas (which would end the comment) left out.
std::vector<TextFix> comment_out(const Diagnostic& d, const FixPlace& p) {
  if (d.failure.message.find("looks commented out") == std::string::npos) return {};
  std::string_view rest = p.line_text.substr(p.at);
  if (rest.substr(0, 2) == "//") rest.remove_prefix(2);
  else if (!rest.empty()) rest.remove_prefix(1);
  std::string text = "--";
  for (const char c : rest) text.push_back(c == ',' ? ' ' : c);
  return {{"Comment the row out with dashes", p.line, p.at, p.line_text.size(), text, true}};
}

// "27 000": the blanks taken out, one number again.
std::vector<TextFix> join_number(const Diagnostic&, const FixPlace& p) {
  const std::string_view item = p.line_text.substr(p.at, p.item_end - p.at);
  std::string joined;
  bool digits = false;
  for (size_t i = 0; i < item.size(); ++i) {
    const char c = item[i];
    if (c >= '0' && c <= '9') {
      joined.push_back(c);
      digits = true;
    } else if (c == '-' && i == 0) {
      joined.push_back(c);
    } else if (c != ' ' && c != '\t') {
      return {};  // anything but digits and blanks: not certain
    }
  }
  if (!digits || joined == item) return {};
  return {{"Join the number: " + joined, p.line, p.at, p.item_end, joined, true}};
}

// The file's last item is never read: a closing header after it.
std::vector<TextFix> closing_header(const Diagnostic&, const FixPlace& p) {
  std::string text = p.ends_with_line_end ? "" : std::string(p.line_end);
  text += "[fine]";
  text += p.line_end;
  return {{"End the file with [fine]", p.last_line, p.last_line_length, p.last_line_length, text,
           true}};
}

struct FixRule {
  Warning warning;
  Maker make;
};

const FixRule kRules[] = {
    {Warning::kUnknownKey, did_you_mean},
    {Warning::kMisplacedKey, did_you_mean},
    {Warning::kCommentedRow, comment_out},
    {Warning::kSplitNumber, join_number},
    {Warning::kLastItemUnread, closing_header},
};

}  // namespace

std::vector<std::string> suggestions_in(std::string_view message) {
  std::vector<std::string> names;
  const size_t at = message.find("did you mean ");
  if (at == std::string_view::npos) return names;
  std::string_view rest = message.substr(at + 13);
  // 'a', 'b' or 'c'?
  while (!rest.empty() && rest.front() == '\'') {
    const size_t close = rest.find('\'', 1);
    if (close == std::string_view::npos) break;
    names.emplace_back(rest.substr(1, close - 1));
    rest.remove_prefix(close + 1);
    if (rest.substr(0, 2) == ", ") rest.remove_prefix(2);
    else if (rest.substr(0, 4) == " or ") rest.remove_prefix(4);
    else break;
  }
  return names;
}

std::vector<TextFix> fixes_for(const Diagnostic& d, const FixPlace& place) {
  if (d.warning.empty() || !d.failure.where) return {};
  const std::optional<Warning> w = warning_named(d.warning);
  if (!w) return {};
  for (const FixRule& r : kRules)
    if (r.warning == *w) return r.make(d, place);
  return {};
}

}  // namespace scenarioc::lsp
