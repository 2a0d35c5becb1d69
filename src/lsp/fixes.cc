#include "lsp/fixes.h"

#include <functional>
#include <optional>

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

// The item that holds byte `at`: back to the comma before it (or the line's
// start), leading blanks left out.
size_t item_start(std::string_view line, size_t at) {
  size_t b = at;
  while (b > 0 && line[b - 1] != ',') --b;
  while (b < at && (line[b] == ' ' || line[b] == '\t')) ++b;
  return b;
}

// The end of the line's text, trailing blanks (and a stray '\r') left out.
size_t text_end(std::string_view line) {
  size_t e = line.size();
  while (e > 0 && (line[e - 1] == ' ' || line[e - 1] == '\t' || line[e - 1] == '\r')) --e;
  return e;
}

// The text a warning's message ends by asking for ("...; write 40000",
// "...; write '6, 51, 45'"); nothing where it asks in words ("write one
// digit").
std::optional<std::string> written_instead(std::string_view message) {
  const size_t at = message.rfind("; write ");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = message.substr(at + 8);
  if (rest.size() >= 2 && rest.front() == '\'' && rest.back() == '\'')
    return std::string(rest.substr(1, rest.size() - 2));
  if (rest.empty() || rest.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
  return std::string(rest);
}

// A number in a form the compiler cannot read ("40.000", "95%", "6:51:45",
// "1100;100", "24.2" in metres): the item replaced by what the message
// asks for. Certain where only the writing differs; a rounded number or
// kilometres read into metres is offered, not preferred.
std::vector<TextFix> write_instead(const Diagnostic& d, const FixPlace& p) {
  const std::optional<std::string> text = written_instead(d.failure.message);
  if (!text) return {};
  const std::optional<Warning> w = warning_named(d.warning);
  const bool certain = w != Warning::kDecimalFraction && w != Warning::kKilometres;
  const size_t begin = item_start(p.line_text, p.at);
  if (std::string_view(*text) == p.line_text.substr(begin, p.item_end - begin)) return {};
  return {{"Write " + *text, p.line, begin, p.item_end, *text, certain}};
}

// A decimal comma ("0,95", "80,5"): the compiler reads the row complete
// before the comma and the digits after it as a key of its own. A
// percentage is written as one number (the message says which); any other
// value keeps the whole part the compiler reads, and the stray digits go.
std::vector<TextFix> decimal_comma(const Diagnostic& d, const FixPlace& p) {
  if (d.failure.message.find("a decimal comma") == std::string::npos)
    return write_instead(d, p);
  // The comma before the stray digits, and the item before that comma.
  size_t comma = p.at;
  while (comma > 0 && p.line_text[comma - 1] != ',') --comma;
  if (comma == 0) return {};
  --comma;
  const size_t end = text_end(p.line_text);
  const std::string_view message = d.failure.message;
  const std::string_view percent = "a percentage is written as one, ";
  if (const size_t at = message.find(percent); at != std::string_view::npos) {
    if (p.item_end < end) return {};  // more digits after: not the one slip
    const std::string whole(message.substr(at + percent.size()));
    return {{"Write " + whole + " (a percentage)", p.line, item_start(p.line_text, comma), end,
             whole, true}};
  }
  // "0,80" is never meant as nought: which whole number is the author's call.
  const size_t last = item_start(p.line_text, comma);
  const std::string_view whole = p.line_text.substr(last, text_end(p.line_text.substr(0, comma)) - last);
  if (whole == "0" || whole == "-0") return {};
  for (size_t i = comma; i < end; ++i) {
    const char c = p.line_text[i];
    if (!(c >= '0' && c <= '9') && c != ',' && c != ' ' && c != '\t') return {};
  }
  return {{"Keep the whole number, drop " + std::string(p.line_text.substr(comma, end - comma)),
           p.line, comma, end, "", false}};
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
    {Warning::kDecimalFraction, decimal_comma},
    {Warning::kThousandsSeparator, write_instead},
    {Warning::kTimeWithColons, write_instead},
    {Warning::kPercentSign, write_instead},
    {Warning::kSemicolons, write_instead},
    {Warning::kKilometres, write_instead},
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
