#include "compiler/memorizza_dati.h"

#include "compiler/parser.h"
#include "compiler/runtime_failure.h"
#include "model/rounding.h"

namespace scenarioc {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool contains(std::string_view item, std::string_view word) {
  return item.find(word) != std::string_view::npos;
}

bool contains_ci(std::string_view item, std::string_view word) {
  if (word.size() > item.size()) return false;
  for (size_t i = 0; i + word.size() <= item.size(); ++i) {
    size_t k = 0;
    while (k < word.size() && lower(item[i + k]) == lower(word[k])) ++k;
    if (k == word.size()) return true;
  }
  return false;
}

void Parser::open(SourceRole role) {
  reading = role;
  reader.reset();
  const std::string& label = input.label(role);
  std::string_view text;
  try {
    text = input.read(role);
  } catch (const SourceUnreadable& e) {
    throw RuntimeFailure("cannot read " + label + ": " + e.what(),
                         SourceLocation{label, 0, 0, ""});
  }
  reader = std::make_unique<ItemReader>(text, label);
}

std::string_view Parser::next_key() {
  const std::string_view item = reader->read_text();
  key_offset = reader->last_offset();
  key_line = reader->last_line();
  s.current_line.assign(item);
  return item;
}

std::optional<std::string_view> Parser::next_data_key() {
  if (reader->at_end()) return std::nullopt;
  std::string_view key = next_key();
  if (reader->at_end()) return std::nullopt;
  for (int i = 0; i < 2 && contains(key, "-"); ++i) {
    key = next_key();
    if (reader->at_end()) return std::nullopt;
  }
  return key;
}

SourceLocation Parser::key_location() const {
  return reader->location_at(key_offset, key_line);
}

void Parser::record(int32_t code, std::optional<int32_t> position,
                    std::string message, std::optional<SourceLocation> where) {
  if (!where && reader) where = key_location();
  s.record(Failure{code, position, std::move(message), std::move(where)});
}

void Parser::error_exit(int32_t code, std::optional<int32_t> position,
                        std::string message, std::optional<SourceLocation> where) {
  record(code, position, std::move(message), std::move(where));
  throw ErrorExit{};
}

Flow Parser::range_test(int32_t p, const char* what, const ItemMark& at, int reach) {
  if (within_route(p, s.cell_count, reach)) return Flow::kGoOn;
  const int64_t last = int64_t{s.cell_count} * 50 - reach;
  record(15, p,
         std::string(what) + " at " + std::to_string(p) +
             " m lies beyond the route: the last position that fits is " +
             std::to_string(last) + " m; the rest of this file is not read",
         at);
  return Flow::kEndPass;
}

void Parser::consume(SourceRole role) {
  if (std::optional<std::string> problem = input.release(role))
    record(25, std::nullopt, *problem, SourceLocation{input.label(role), 0, 0, ""});
}

RouteCell& Parser::cell(int64_t c, const char* what) {
  if (!s.route_created)
    throw RuntimeFailure(std::string(what) +
                         " needs the route, but no route length was given before it");
  if (!s.has_cell(c))
    throw RuntimeFailure(std::string(what) + " falls on cell " + std::to_string(c) +
                         ", outside the route (cells 0 to " +
                         std::to_string(s.cell_count) + ")");
  return s.route[static_cast<size_t>(c)];
}

void memorizza_dati(Scenario& s, SourceInput& input) {
  s.scenario_table[kLineRow].text = s.line_name;
  s.scenario_table[kTrainRow].text = s.train_number;
  Parser p(s, input);
  const std::string& line = input.label(SourceRole::kLine);
  if (!input.exists(SourceRole::kLine)) {
    s.record(Failure{101, std::nullopt,
                     "no line file " + line + "; nothing is compiled",
                     SourceLocation{line, 0, 0, ""}});
    return;
  }
  try {
    parse_line_file(p);
    parse_train_file(p);
  } catch (const ErrorExit&) {
    p.consume(p.reading);
  } catch (const RuntimeFailure& f) {
    // The failure handler: every open file is closed (the reader owns no
    // file), and each text source that still exists is deleted.
    std::optional<SourceLocation> where = f.where;
    if (!where && p.reader) where = p.key_location();
    s.record(Failure{25, std::nullopt, f.what(), std::move(where)});
    p.consume(SourceRole::kLine);
    p.consume(SourceRole::kTrain);
  }
}

}  // namespace scenarioc
