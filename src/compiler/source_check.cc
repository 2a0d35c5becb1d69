#include "compiler/source_check.h"

#include <cstdint>
#include <cstring>

#include "compiler/display_text.h"
#include "compiler/item_reader.h"
#include "compiler/parser.h"
#include "compiler/text_encoding.h"

namespace scenarioc {
namespace {

bool is_control(uint8_t b) { return (b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F; }

// Bytes Windows-1252 leaves unassigned.
bool is_unassigned(uint8_t b) {
  return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// Why the bytes are no text, or empty when they are.
std::string not_text(std::string_view bytes) {
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
    return "it is UTF-16 text; save it as UTF-8 or Windows-1252";
  size_t nul[2] = {0, 0};
  size_t control = 0, unassigned = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    // Eight printable ASCII bytes at a time (0x20 to 0x7E): most of a text.
    while (i + 8 <= bytes.size()) {
      uint64_t w;
      std::memcpy(&w, bytes.data() + i, 8);
      constexpr uint64_t kOnes = 0x0101010101010101ull, kHighBits = 0x8080808080808080ull;
      const uint64_t below_space = (w - 0x20 * kOnes) & ~w & kHighBits;
      const uint64_t del_or_above = (w + 0x01 * kOnes) | w;  // 0x7F and up set the high bit
      if (below_space || (del_or_above & kHighBits)) break;
      i += 8;
    }
    if (i >= bytes.size()) break;
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b == 0) ++nul[i % 2];
    else if (is_control(b)) ++control;
    else if (is_unassigned(b)) ++unassigned;
  }
  if (nul[0] + nul[1] > 0) {
    // Text in UTF-16 has a NUL in every other byte, most of its characters
    // being ASCII, and hardly one in the bytes between.
    const size_t half = bytes.size() / 2;
    for (int odd = 0; odd < 2; ++odd)
      if (half > 0 && nul[odd] * 10 >= half * 3 && nul[1 - odd] * 20 <= nul[odd])
        return "it is UTF-16 text; save it as UTF-8 or Windows-1252";
    return "it holds NUL bytes, so it is no text file (a compiled file, perhaps?)";
  }
  // A UTF-8 file may hold the bytes Windows-1252 leaves unassigned, inside
  // its characters; any other file may not.
  const bool utf8 = is_valid_utf8(bytes);
  const size_t odd = control + (utf8 ? 0 : unassigned);
  if (odd * 10 > bytes.size())
    return "it is no text: " + std::to_string(odd * 100 / bytes.size()) +
           "% of its bytes are control bytes";
  return "";
}

Diagnostic refused(const std::string& label, std::string message, int line = 0,
                   std::string_view text = {}) {
  Diagnostic d;
  d.origin = Diagnostic::Origin::kRefused;
  d.failure.message = std::move(message);
  d.failure.where = line > 0 ? locate(text, label, text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0, 1)
                             : SourceLocation{label, 0, 0, ""};
  d.failure.where->text.clear();  // one line: the file and the reason
  return d;
}

}  // namespace

Diagnostic refusal(const std::string& label, std::string reason) {
  return refused(label, std::move(reason) + "; nothing is compiled");
}

PreparedSource prepare_source(std::string& text, SourceRole role, const std::string& label,
                              const DiagnosticOptions& options) {
  PreparedSource out;
  auto refuse = [&](std::string message, int line = 0) {
    out.refused = true;
    out.diagnostics.push_back(refused(label, std::move(message) + "; nothing is compiled",
                                      line, text));
    return out;
  };
  std::string_view body = text;
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  if (body.find_first_not_of(" \t\r\n") == std::string_view::npos)
    return refuse(body.empty() ? "the file is empty" : "the file holds nothing but blanks");
  if (const std::string why = not_text(text); !why.empty()) return refuse(why);
  if (role == SourceRole::kTrain && !holds_keyword(text, keyword(Key::kGenerale)))
    return refuse(
        "no '[generale]' header: a train file's data start after a line '[generale]', and "
        "without it nothing of the file is read",
        1);

  if (options.warnings.has(Warning::kMixedEncoding)) {
    if (std::optional<MixedEncoding> m = mixed_encoding(text, label)) {
      Diagnostic d;
      d.severity = Severity::kWarning;
      d.warning = std::string(warning_info(Warning::kMixedEncoding).name);
      d.failure.message =
          "this byte is not UTF-8, so the whole file is read as Windows-1252, and each of "
          "its UTF-8 characters becomes two or three";
      d.failure.where = m->stray;
      d.failure.notes.push_back(Note{"a UTF-8 character read so is here", m->utf8});
      out.diagnostics.push_back(std::move(d));
    }
  }
  if (std::optional<EncodingProblem> p = to_windows_1252(text, label)) {
    out.refused = true;
    Diagnostic d;
    d.origin = Diagnostic::Origin::kRefused;
    d.failure.message = p->message + "; nothing is compiled";
    d.failure.where = p->where;
    out.diagnostics.assign(1, std::move(d));
  }
  return out;
}

}  // namespace scenarioc
