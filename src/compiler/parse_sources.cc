#include "compiler/parse_sources.h"

#include "compiler/display_text.h"
#include "compiler/parser.h"
#include "compiler/runtime_failure.h"
#include "model/rounding.h"

namespace scenarioc {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t index(SourceRole role) { return role == SourceRole::kLine ? 0 : 1; }

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

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
  here.file = role;
  here.phase = Phase::kHeader;
  reader.reset();
  const std::string& label = input.label(role);
  std::string_view text;
  try {
    text = input.read(role);
  } catch (const SourceUnreadable& e) {
    throw RuntimeFailure("cannot read " + label + ": " + e.what(),
                         SourceLocation{label, 0, 0, ""});
  }
  texts[index(role)] = text;
  opened[index(role)] = true;
  if (ctx && !read_on.active) {
    ctx->texts[index(role)] = text;
    ctx->opened[index(role)] = true;
  }
  reader = std::make_unique<ItemReader>(text, label);
  if (ctx) reader->keep_row_values();
}

std::string_view Parser::next_key() {
  const std::string_view item = reader->read_text();
  here.key_offset = reader->last_offset();
  here.key_line = reader->last_line();
  reader->start_row();
  row_key_count = 0;
  key_matched = false;
  capacity = Capacity::kNone;
  key_text = item;
  shape_told = false;
  s.origins.begin_row(static_cast<uint8_t>(index(here.file)), here.key_line, here.key_offset);
  return item;
}

std::optional<std::string_view> Parser::next_data_key() {
  if (reader->at_end()) return std::nullopt;
  std::string_view key = next_key();
  if (reader->at_end()) {
    last_item_unread(key);
    return std::nullopt;
  }
  for (int i = 0; i < 2 && contains(key, kCommentMark); ++i) {
    key = next_key();
    if (reader->at_end()) {
      last_item_unread(key);
      return std::nullopt;
    }
  }
  return key;
}

SourceLocation Parser::key_location() const {
  return reader->location_at(here.key_offset, here.key_line);
}

SourceLocation Parser::locate_in(SourceRole role, size_t offset, int line) const {
  if (role == here.file && reader) return reader->location_at(offset, line);
  if (opened[index(role)]) return locate(texts[index(role)], input.label(role), offset, line);
  return SourceLocation{input.label(role), 0, 0, ""};
}

void Parser::record(ErrorCode code, std::optional<int32_t> position, std::string message,
                    std::optional<SourceLocation> where, std::vector<Note> notes) {
  // What the row's key looks like may explain the error: say it first.
  if (ctx && reader && here.phase != Phase::kClosing) key_shape(key_text);
  if (!where && reader) where = key_location();
  Failure f{number(code), position, std::move(message), std::move(where), std::move(notes)};
  if (read_on.active) {
    // A table that is full stays full: only its first failure is told.
    if (capacity != Capacity::kNone) {
      bool& told = read_on.capacity_reported[static_cast<size_t>(capacity)];
      capacity = Capacity::kNone;
      if (told) return;
      told = true;
    }
    Note first;
    first.message =
        read_on.stopped_in == here.file
            ? "reading went on after this first error of the file, which alone decided the "
              "compiled files; the error above changed nothing"
            : "the compile stopped at this error of " + input.label(read_on.stopped_in) +
                  " before this file; the error above was found by reading on and changed "
                  "nothing";
    if (!read_on.stopped_at.file.empty()) {
      first.where = read_on.stopped_at;
      first.where->text.clear();  // named, not quoted again
    }
    f.notes.push_back(std::move(first));
    if (ctx) ctx->sink.add_error(Diagnostic::Origin::kReadOn, std::move(f));
    return;
  }
  if (ctx) ctx->sink.add_error(Diagnostic::Origin::kRecorded, f);
  s.record(std::move(f));
}

void Parser::error_exit(ErrorCode code, std::optional<int32_t> position, std::string message,
                        std::optional<SourceLocation> where, std::vector<Note> notes) {
  record(code, position, std::move(message), std::move(where), std::move(notes));
  throw ErrorExit{};
}

void Parser::record_runtime_failure(const RuntimeFailure& f) {
  std::optional<SourceLocation> where = f.where;
  std::string message = f.what();
  std::vector<Note> notes;
  // A row that ends before its values: the reader went on into the next
  // line, or to the end of the file. The fault is the row's, at its end.
  const bool ended = reader && reader->last_offset() >= reader->data().size();
  if (f.reading && reader && row_key_count > 0 && here.key_offset <= reader->data().size() &&
      (ended || (where && where->line > here.key_line))) {
    const std::string_view data = reader->data();
    size_t end = here.key_offset;
    while (end < data.size() && !is_line_end(data[end])) ++end;
    size_t last = end;
    while (last > here.key_offset && (data[last - 1] == ' ' || data[last - 1] == '\t')) --last;
    const Keyword& k = keyword(row_keys[row_key_count - 1]);
    const int n = reader->row_count() - row_key_base[row_key_count - 1];
    message = "the row '" + shown_source(data.substr(here.key_offset, last - here.key_offset), 60) +
              "' ends before its " + ordinal(n + 1) + " value";
    if (n >= 0 && static_cast<size_t>(n) < k.values.size()) {
      const ValueSpec& v = k.values[static_cast<size_t>(n)];
      message += ", " + std::string(v.name) + " (";
      if (!v.unit.empty()) message += std::string(v.unit) + ": ";
      message += std::string(v.meaning) + ")";
    }
    if (ended) {
      message += "; the file ends there";
    } else {
      Note why;
      why.message = "reading the value went on to the next line: " + std::string(f.what());
      why.where = where;
      notes.push_back(std::move(why));
    }
    where = locate_in(here.file, last, here.key_line);
  } else if (!where && reader) {
    where = key_location();
  }
  record(ErrorCode::kRuntimeFailure, std::nullopt, std::move(message), std::move(where),
         std::move(notes));
}

Flow Parser::range_test(int32_t p, const char* what, const ItemMark& at, int reach) {
  if (within_route(p, s.cell_count, reach)) return Flow::kGoOn;
  const int64_t last = int64_t{s.cell_count} * 50 - reach;
  record(ErrorCode::kBeyondRoute, p,
         std::string(what) + " at " + std::to_string(p) +
             " m lies beyond the route: the last position that fits is " +
             std::to_string(last) + " m; the rest of this file is not compiled",
         at);
  return Flow::kEndPass;
}

void Parser::consume(SourceRole role) {
  if (std::optional<std::string> problem = input.release(role))
    record(ErrorCode::kRuntimeFailure, std::nullopt, *problem, SourceLocation{input.label(role), 0, 0, ""});
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

std::vector<Note> Parser::occupant_note(int64_t c, const std::string& what) const {
  const SourceRow* row = s.origins.row_of(c);
  if (!row) return {};
  Note n;
  n.message = what + " in cell " + std::to_string(c) + " comes from here";
  n.where = locate_in(row->file == 0 ? SourceRole::kLine : SourceRole::kTrain, row->offset,
                      row->line);
  std::vector<Note> notes;
  notes.push_back(std::move(n));
  return notes;
}

bool Parser::resume() {
  reader->resume_after_line(here.key_offset, here.key_line);
  if (reader->position() <= read_on.last_resume) return false;
  read_on.last_resume = reader->position();
  return !reader->at_end();
}

void read_on_through(Parser& q, Flow (*pass)(Parser&)) {
  for (;;) {
    try {
      if (pass(q) == Flow::kGoOn) return;
    } catch (const ErrorExit&) {
    } catch (const RuntimeFailure& f) {
      q.record_runtime_failure(f);
    }
    if (!q.resume()) return;
  }
}

void Parser::read_on_after_stop(bool abandoned) {
  if (!ctx || !ctx->sink.options().read_on || read_on.active) return;
  Scenario scratch = s;
  scratch.failures.clear();
  Parser q(scratch, input, ctx);
  static_cast<ParserState&>(q) = *this;
  for (size_t i = 0; i < 2; ++i) {
    q.texts[i] = texts[i];
    q.opened[i] = opened[i];
  }
  q.read_on.active = true;
  // A full table stays full: the failure that stopped the compile told it.
  if (capacity != Capacity::kNone) q.read_on.capacity_reported[static_cast<size_t>(capacity)] = true;
  q.capacity = Capacity::kNone;
  q.read_on.stopped_in = here.file;
  if (!s.failures.empty() && s.failures.back().where) q.read_on.stopped_at = *s.failures.back().where;
  const bool within = here.phase == Phase::kGeneral || here.phase == Phase::kData;
  if (within && reader) {
    q.reader = std::make_unique<ItemReader>(reader->data(), reader->label());
    q.reader->keep_row_values();
    if (q.resume()) {
      if (here.file == SourceRole::kLine) read_on_line_file(q);
      else read_on_train_file(q, false);
    }
  }
  if (here.file == SourceRole::kLine && abandoned) read_on_train_file(q, true);
}

void parse_sources(Scenario& s, SourceInput& input, ParseContext* ctx) {
  s.scenario_table[kLineRow].text = s.line_name;
  s.scenario_table[kTrainRow].text = s.train_number;
  Parser p(s, input, ctx);
  const std::string& line = input.label(SourceRole::kLine);
  if (!input.exists(SourceRole::kLine)) {
    p.record(ErrorCode::kNoLineFile, std::nullopt, "no line file " + line + "; nothing is compiled",
             SourceLocation{line, 0, 0, ""});
    return;
  }
  try {
    parse_line_file(p);
    parse_train_file(p);
  } catch (const ErrorExit&) {
    p.read_on_after_stop(true);
    p.consume(p.here.file);
  } catch (const RuntimeFailure& f) {
    // The failure handler: every open file is closed (the reader owns no
    // file), and each text source that still exists is deleted.
    p.record_runtime_failure(f);
    p.read_on_after_stop(true);
    p.consume(SourceRole::kLine);
    p.consume(SourceRole::kTrain);
  }
}

}  // namespace scenarioc
