// The warnings on a row once its key has been handled: what the format
// accepts but an author almost surely did not mean. None of this changes
// what is compiled; it only looks at the row as it was read.
#include <string>

#include "compiler/display_text.h"
#include "compiler/parser.h"
#include "compiler/route_cell.h"
#include "model/rounding.h"

namespace scenarioc {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0xC0;
}

std::string quoted(std::string_view text) { return "'" + shown_source(text) + "'"; }

// "22 km/h", "300 m", "7".
std::string with_unit(int64_t v, std::string_view unit) {
  std::string s = std::to_string(v);
  if (!unit.empty()) s += (unit == "%" ? "" : " ") + std::string(unit);
  return s;
}

// A keyword as suggested for a key that missed it: a curve key keeps the
// side and class the author wrote ("cruvas3" gives "curvas3").
std::string suggested_key(const Keyword& k, std::string_view key) {
  if (k.variants.empty() || k.id != Key::kCurva) return std::string(k.key);
  const KeyVariant* side = variant_held(key, k, VariantRole::kLeft);
  const KeyVariant* class_held = variant_held(key, k, VariantRole::kClass);
  const KeyVariant* first_class = nullptr;
  const KeyVariant* right = nullptr;
  for (const KeyVariant& v : k.variants) {
    if (v.role == VariantRole::kClass && !first_class) first_class = &v;
    if (v.role == VariantRole::kRight && !right) right = &v;
  }
  if (!side) side = right;
  if (!class_held) class_held = first_class;
  return std::string(k.words[0]) + std::string(side ? side->text : "") +
         std::string(class_held ? class_held->text : "");
}

std::string where_words(SourceRole file, KeySection section) {
  if (file == SourceRole::kTrain) return "a train file";
  return section == KeySection::kGeneral ? "the general section of a line file"
                                         : "the data rows of a line file";
}

std::string section_words(const Keyword& k) {
  if (k.file == SourceRole::kTrain) return "a key of the train file";
  return k.section == KeySection::kGeneral
             ? "a key of the line file's general section, before its first header"
             : "a key of the line file's data rows, after its first header";
}

// The rows of these keywords write cells up to their position from the one
// before: at the same position they still write one cell.
bool fills_up_to(Key k) {
  return k == Key::kPendenza || k == Key::kVelocita || k == Key::kAderenza;
}

std::optional<OrderedList> ordered_list(Key k) {
  switch (k) {
    case Key::kPendenza: return OrderedList::kGradients;
    case Key::kCurva: return OrderedList::kCurves;
    case Key::kVelocita: return OrderedList::kSpeeds;
    case Key::kAderenza: return OrderedList::kAdhesion;
    case Key::kStazione: return OrderedList::kStations;
    default: return std::nullopt;
  }
}

const char* row_words(Key k) {
  switch (k) {
    case Key::kPendenza: return "gradient";
    case Key::kCurva: return "curve";
    case Key::kMontagna: return "mountain stretch";
    case Key::kVelocita: return "speed limit";
    case Key::kAderenza: return "adhesion";
    case Key::kSegnale: return "signal";
    case Key::kStazione: return "station";
    default: return "row";
  }
}

}  // namespace

std::string ordinal(int n) {
  static constexpr const char* kWords[] = {
      "first",   "second",  "third",     "fourth",     "fifth",     "sixth",
      "seventh", "eighth",  "ninth",     "tenth",      "eleventh",  "twelfth",
      "thirteenth", "fourteenth", "fifteenth", "sixteenth", "seventeenth"};
  return n >= 1 && n <= 17 ? kWords[n - 1] : std::to_string(n) + "th";
}

void Parser::warn(Warning w, std::string message, SourceLocation where, std::vector<Note> notes) {
  ctx->sink.add_warning(w, Failure{0, std::nullopt, std::move(message), std::move(where),
                                   std::move(notes)});
}

void Parser::last_item_unread(std::string_view item) {
  if (!ctx || item.empty() || item.starts_with(kHeaderOpen) || contains(item, kCommentMark))
    return;
  if (!wants(Warning::kLastItemUnread)) return;
  warn(Warning::kLastItemUnread,
       "the last item of a file is never read: " + quoted(item) +
           " is lost; end the file with a line such as '[fine]'",
       key_location());
}

void Parser::key_shape(std::string_view key) {
  if (shape_told || row_key_count == 0) return;
  shape_told = true;
  const char first = key.empty() ? ' ' : key.front();
  const bool comment_mark = first == '#' || first == ';' || first == '\'' ||
                            (key.size() > 1 && key.substr(0, 2) == "//");
  bool dash = false, bracket = false;
  for (const char c : key) {
    dash |= c == kCommentMark[0];
    bracket |= c == kHeaderOpen[0];
  }
  if ((comment_mark || dash) && row_key_count > 0 && wants(Warning::kCommentedRow)) {
    std::string message =
        comment_mark ? "this row looks commented out, but " +
                           quoted(key.substr(0, first == '/' ? 2 : 1)) +
                           " does not comment a row out: it is read, as the key holds '" +
                           std::string(keyword(row_keys[0]).words[0]) + "'"
                     : "this key holds a dash, the mark of a comment, but only so many "
                       "comments in a row are skipped: it is read, as it holds '" +
                           std::string(keyword(row_keys[0]).words[0]) + "'";
    warn(Warning::kCommentedRow, std::move(message), key_location());
  }
  if (bracket && contains(key, kHeaderClose) && row_key_count > 0 && wants(Warning::kHeaderIsKey))
    warn(Warning::kHeaderIsKey,
         "this header holds the key '" + std::string(keyword(row_keys[0]).words[0]) +
             "': it is read as a row of that key, taking its values from what follows",
         key_location());
  if (row_key_count > 1 && wants(Warning::kSeveralKeys)) {
    std::string names;
    for (int i = 0; i < row_key_count; ++i)
      names += (i == 0 ? "'" : i + 1 == row_key_count ? "' and '" : "', '") +
               std::string(keyword(row_keys[i]).words[0]);
    warn(Warning::kSeveralKeys,
         quoted(key) + " holds the keys " + names +
             "': each reads its values from this row, one after the other",
         key_location());
  }

}

void Parser::check_row_read(std::string_view key, SourceRole file, KeySection section) {
  if (!key_matched) {
    check_unmatched_key(key, file, section);
    return;
  }
  key_shape(key);
  const int read = reader->row_count();
  ValueScan scan;
  for (int i = 0; i < row_key_count; ++i) {
    const Keyword& k = keyword(row_keys[i]);
    const int base = row_key_base[i];
    const int end = i + 1 < row_key_count ? row_key_base[i + 1] : read;
    for (int j = 0; !scan.shifted && base + j < end && static_cast<size_t>(j) < k.values.size() &&
                    base + j < ItemReader::kRowValues;
         ++j)
      check_value(k, j, base, scan);
    if (!scan.shifted && base < end && base < ItemReader::kRowValues) check_order(k, base, end);
  }
}

// A key no keyword matched: a key of another file or section, one written
// in the wrong letter case, or a slip of the keyboard.
void Parser::check_unmatched_key(std::string_view key, SourceRole file, KeySection section) {
  const std::string_view data = reader->data();
  // Only a row's key is judged: an item that starts its line, with a
  // letter in it, that is no header, comment or blank line.
  if (key.empty()) return;
  const char c = key.front();
  if (key.starts_with(kHeaderOpen) || c == '#' || c == ';' || c == '/' || c == '\'' ||
      contains(key, kCommentMark))
    return;
  bool letter = false;
  for (const char ch : key) letter |= is_letter(ch);
  if (!letter) return;
  size_t b = here.key_offset;
  while (b > 0 && is_blank(data[b - 1])) --b;
  if (b > 0 && !is_line_end(data[b - 1]) && !(b == 3 && data.substr(0, 3) == "\xEF\xBB\xBF"))
    return;

  for (const Keyword& k : keyword_table()) {
    if (k.section == KeySection::kHeader || (k.file == file && k.section == section)) continue;
    if (!holds_keyword(key, k)) continue;
    if (!wants(Warning::kMisplacedKey)) return;
    warn(Warning::kMisplacedKey,
         quoted(key) + " is " + section_words(k) + ": in " + where_words(file, section) +
             " the row is ignored",
         key_location());
    return;
  }
  if (!wants(Warning::kUnknownKey)) return;
  std::string message =
      quoted(key) + " matches no key of " + where_words(file, section) + ", so the row is ignored";
  const Keyword* lower_case = nullptr;
  for (const Keyword& k : keyword_table()) {
    if (k.file != file || k.section != section || !k.case_sensitive) continue;
    bool holds = true;
    for (const std::string_view w : k.words)
      if (!w.empty() && !contains_ci(key, w)) holds = false;
    if (holds) {
      lower_case = &k;
      break;
    }
  }
  if (lower_case) {
    message += ": '" + std::string(lower_case->key) + "' must be written in lower case";
  } else {
    const std::vector<const Keyword*> near = nearest_keywords(key, file, section);
    for (size_t i = 0; i < near.size(); ++i) {
      message += i == 0 ? "; did you mean '" : i + 1 == near.size() ? " or '" : ", '";
      message += suggested_key(*near[i], key) + "'";
    }
    if (!near.empty()) message += "?";
  }
  warn(Warning::kUnknownKey, std::move(message), key_location());
}

// The `j`th value of keyword `k`, whose values start at `base` in the row.
void Parser::check_value(const Keyword& k, int j, int base, ValueScan& scan) {
  const std::string_view data = reader->data();
  const RowValue& rv = reader->row_value(base + j);
  const ValueSpec& v = k.values[static_cast<size_t>(j)];
  auto at = [&] { return reader->location_at(rv.offset, rv.line); };

  if (rv.line != here.key_line && !scan.continued) {
    scan.continued = true;
    if (wants(Warning::kRowContinues))
      warn(Warning::kRowContinues,
           "the row '" + std::string(k.key) + "' ends before its " + ordinal(j + 1) +
               " value, " + std::string(v.name) + ", which is taken from this line",
           at(), {Note{"the row starts here", key_location()}});
  }
  if (rv.text) {
    // The simulator shows these texts as they are: a control byte is
    // no letter there, and a terminal showing the files takes it as a
    // command.
    {
      size_t end = rv.offset;
      while (end < data.size() && data[end] != ',' && !is_line_end(data[end])) ++end;
      while (end > rv.offset && is_blank(data[end - 1])) --end;
      for (size_t i = rv.offset; i < end; ++i)
        if (is_control_byte(static_cast<unsigned char>(data[i]))) {
          // wants() counts the warning: asked only once it is there.
          if (wants(Warning::kControlCharacter))
            warn(Warning::kControlCharacter,
                 "the " + std::string(v.name) + " " +
                     quoted(data.substr(rv.offset, end - rv.offset)) +
                     " holds the control character " + shown_source(data.substr(i, 1)) +
                     ", which the simulator cannot show",
                 reader->location_at(i, rv.line));
          break;
        }
    }
    if (!rv.ended_at_comma) return;
    size_t comma = rv.offset;
    while (comma < data.size() && data[comma] != ',') ++comma;
    size_t rest = comma + 1, rest_end = rest;
    while (rest_end < data.size() && !is_line_end(data[rest_end])) ++rest_end;
    while (rest < rest_end && is_blank(data[rest])) ++rest;
    if (rest < rest_end && wants(Warning::kTextCut))
      warn(Warning::kTextCut,
           "the " + std::string(v.name) + " is cut at this comma: " +
               quoted(data.substr(rv.offset, comma - rv.offset)) + " is stored and " +
               quoted(data.substr(rest, rest_end - rest)) +
               " is read as an item of its own; a text holds no comma",
           reader->location_at(comma, rv.line));
    return;
  }
  if (rv.empty) {
    if (!v.may_be_empty && wants(Warning::kEmptyValue))
      warn(Warning::kEmptyValue,
           "the " + ordinal(j + 1) + " value of '" + std::string(k.key) + "', " +
               std::string(v.name) + " (" + std::string(v.meaning) +
               "), is empty and read as 0",
           at());
    return;
  }
  if (rv.text_after) {
    const size_t after_at = rv.offset + rv.text_after;
    const char c = data[after_at];
    const bool number = is_digit(c) || c == '-';
    if (!(k.blank_separated && number)) {
      scan.shifted = true;
      size_t e = after_at;
      while (e < data.size() && data[e] != ',' && !is_line_end(data[e])) ++e;
      const std::string_view after = data.substr(after_at, e - after_at);
      if (number && wants(Warning::kSplitNumber)) {
        warn(Warning::kSplitNumber,
             "a blank inside a number: " + std::to_string(rv.value) + " is read as " +
                 std::string(v.name) + " and " + quoted(after) +
                 " as the values after it; write the number without blanks",
             at());
      } else if (!number && wants(Warning::kTextAfterNumber)) {
        warn(Warning::kTextAfterNumber,
             quoted(after) + " after the number " + std::to_string(rv.value) +
                 " is read as an item of its own",
             reader->location_at(after_at, rv.line));
      }
      return;
    }
  }

  const int64_t value = rv.value;
  if (v.role == ValueRole::kCellPosition || v.role == ValueRole::kPosition) {
    const int32_t length = s.scenario_table[kTrainDataRow].stop_pos;
    if (value < 0) {
      if (wants(Warning::kNegativePosition))
        warn(Warning::kNegativePosition,
             "position " + with_unit(value, "m") + " lies before the start of the line" +
                 (fills_up_to(k.id) ? ": this row writes no cell" : ""),
             at());
    } else if (s.route_created && value > length && wants(Warning::kPastRoute)) {
      warn(Warning::kPastRoute,
           "position " + with_unit(value, "m") + " lies past the end of the line at " +
               with_unit(length, "m") +
               ", in the 7000 m the route runs on beyond it for the simulator",
           at());
    }
    if (v.role == ValueRole::kCellPosition && !multiple_of(value, 50) &&
        wants(Warning::kRounded))
      warn(Warning::kRounded,
           "position " + with_unit(value, "m") + " is taken as " +
               with_unit(round_half_even(static_cast<double>(value) / 50.0) * 50, "m") +
               ": the route is kept in cells of 50 m",
           at());
    return;
  }
  if (v.role == ValueRole::kSpeed && !multiple_of(value, 5) && wants(Warning::kRounded))
    warn(Warning::kRounded,
         "speed " + with_unit(value, "km/h") + " is stored in steps of 5 km/h, as " +
             with_unit(round_half_even(static_cast<double>(value) / 5.0) * 5, "km/h"),
         at());
  // A speed limit whose fifth does not fit its byte fails the compile:
  // the error says it.
  const bool fails = k.id == Key::kVelocita && v.role == ValueRole::kSpeed &&
                     (value < -2 || value > 1277);
  if ((value < v.min || value > v.max) && !fails && wants(Warning::kImplausible)) {
    const bool no_low = v.min <= INT16_MIN;
    warn(Warning::kImplausible,
         std::string(v.name) + " = " + with_unit(value, v.unit) + " (" +
             std::string(v.meaning) + ") lies outside what the simulator can hold: " +
             (no_low ? "at most " + with_unit(v.max, v.unit)
                     : std::to_string(v.min) + " to " + with_unit(v.max, v.unit)),
         at());
  }
}

// The order of the rows of a list, from the row's first value (a curve's
// from its first two).
void Parser::check_order(const Keyword& k, int base, int end) {
  const std::optional<OrderedList> list = ordered_list(k.id);
  if (!list) return;
  Ordered& o = order[static_cast<size_t>(*list)];
  const bool first_of_list = !o.seen;
  const int64_t pos = reader->row_value(base).value;
  const int64_t reach =
      k.id == Key::kCurva && base + 1 < end && base + 1 < ItemReader::kRowValues
          ? pos + reader->row_value(base + 1).value
          : pos;
  if (o.seen) {
    const bool behind = k.id == Key::kCurva  ? pos < o.position
                        : fills_up_to(k.id) ? pos <= o.position
                                            : pos < o.position;
    if (behind && wants(Warning::kOutOfOrder)) {
      std::string message;
      const std::string what = row_words(k.id);
      if (k.id == Key::kCurva) {
        message = "curve at " + with_unit(pos, "m") + " starts before the previous curve " +
                  "ends at " + with_unit(o.position, "m") +
                  (reach <= o.position ? ": it has no effect on the track plan"
                                       : ": it bends only from there on");
      } else {
        message = what + " at " + with_unit(pos, "m") +
                  (pos == o.position ? " stands at the same position as the one before"
                                     : " comes after one at " + with_unit(o.position, "m")) +
                  ": " + what + " rows must ascend, or what is compiled changes";
      }
      warn(Warning::kOutOfOrder, std::move(message),
           reader->location_at(reader->row_value(base).offset, reader->row_value(base).line),
           {Note{"the previous " + what + " row is here", locate_row(o.at)}});
    }
  }
  o.seen = true;
  // The track plan's cursor only moves forward: a curve behind it moves nothing.
  o.position = k.id == Key::kCurva && !first_of_list && o.position > reach ? o.position : reach;
  o.at = key_mark();
}

}  // namespace scenarioc
