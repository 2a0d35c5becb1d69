// The whole Windows-1252 code page, both ways: every byte has its one
// character, the five unassigned bytes have none, and every other character
// is refused with its code point and column.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/text_encoding.h"

namespace scenarioc {
namespace {

// Bytes 0x80 to 0x9F, where the code page parts from Latin-1. The five bytes
// missing here (0x81, 0x8D, 0x8F, 0x90, 0x9D) are unassigned.
const std::map<uint8_t, uint32_t> kWindowsBlock = {
    {0x80, 0x20AC},  // euro sign
    {0x82, 0x201A},  // single low-9 quotation mark
    {0x83, 0x0192},  // f with hook
    {0x84, 0x201E},  // double low-9 quotation mark
    {0x85, 0x2026},  // horizontal ellipsis
    {0x86, 0x2020},  // dagger
    {0x87, 0x2021},  // double dagger
    {0x88, 0x02C6},  // modifier circumflex
    {0x89, 0x2030},  // per mille sign
    {0x8A, 0x0160},  // S with caron
    {0x8B, 0x2039},  // single left angle quotation mark
    {0x8C, 0x0152},  // OE
    {0x8E, 0x017D},  // Z with caron
    {0x91, 0x2018},  // left single quotation mark
    {0x92, 0x2019},  // right single quotation mark
    {0x93, 0x201C},  // left double quotation mark
    {0x94, 0x201D},  // right double quotation mark
    {0x95, 0x2022},  // bullet
    {0x96, 0x2013},  // en dash
    {0x97, 0x2014},  // em dash
    {0x98, 0x02DC},  // small tilde
    {0x99, 0x2122},  // trade mark sign
    {0x9A, 0x0161},  // s with caron
    {0x9B, 0x203A},  // single right angle quotation mark
    {0x9C, 0x0153},  // oe
    {0x9E, 0x017E},  // z with caron
    {0x9F, 0x0178},  // Y with diaeresis
};

// The character of each byte: ASCII and 0xA0 to 0xFF are Latin-1.
std::optional<uint32_t> character_of(int byte) {
  if (byte < 0x80 || byte >= 0xA0) return static_cast<uint32_t>(byte);
  const auto it = kWindowsBlock.find(static_cast<uint8_t>(byte));
  if (it == kWindowsBlock.end()) return std::nullopt;
  return it->second;
}

std::string utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | cp >> 18);
    s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

std::string hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", v);
  return buf;
}

// What the conversion makes of one character after an "é", which makes the
// text one to convert even when the character is ASCII: its byte, or none
// when the character is refused (then with its code point at column 3).
struct Converted {
  std::optional<uint8_t> byte;
  std::string wrong;  // what went wrong, when something did
};

Converted convert(uint32_t cp) {
  std::string text = "\xC3\xA9" + utf8(cp);
  const std::optional<EncodingProblem> p = to_windows_1252(text, "t.txt");
  if (!p) {
    if (text.size() != 2 || text[0] != '\xE9') return {std::nullopt, "converted to the wrong text"};
    return {static_cast<uint8_t>(text[1]), ""};
  }
  if (p->where.line != 1 || p->where.column != 3)
    return {std::nullopt, "refused at the wrong place"};
  if (p->message.find(hex(cp)) == std::string::npos)
    return {std::nullopt, "refused without its code point: " + p->message};
  if (p->where.file != "t.txt") return {std::nullopt, "refused naming the wrong file"};
  return {std::nullopt, ""};
}

// Every Unicode scalar value, converted once.
const std::vector<Converted>& every_character() {
  static const std::vector<Converted> all = [] {
    std::vector<Converted> v(0x110000);
    for (uint32_t cp = 0; cp < 0x110000; ++cp)
      if (cp < 0xD800 || cp > 0xDFFF) v[cp] = convert(cp);
    return v;
  }();
  return all;
}

TEST(Windows1252, EveryByteIsTheConversionOfItsOneCharacter) {
  const std::vector<Converted>& all = every_character();
  std::array<std::vector<uint32_t>, 256> from;  // the characters that became each byte
  for (uint32_t cp = 0; cp < all.size(); ++cp)
    if (all[cp].byte) from[*all[cp].byte].push_back(cp);
  for (int b = 0; b < 256; ++b) {
    const std::optional<uint32_t> want = character_of(b);
    const std::vector<uint32_t> expected =
        want ? std::vector<uint32_t>{*want} : std::vector<uint32_t>{};
    EXPECT_EQ(from[static_cast<size_t>(b)], expected) << "byte 0x" << std::hex << b;
  }
}

TEST(Windows1252, EveryOtherCharacterIsRefusedWithItsCodePoint) {
  const std::vector<Converted>& all = every_character();
  std::vector<std::string> wrong;
  for (uint32_t cp = 0; cp < all.size(); ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (!all[cp].wrong.empty()) wrong.push_back(hex(cp) + " " + all[cp].wrong);
  }
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " characters, the first " << wrong.front();
  // A few by name, beyond the scan: the C1 controls, whose bytes the code page
  // gives to other characters, and characters past the code page.
  for (uint32_t cp : {0x80u, 0x81u, 0x8Du, 0x9Fu, 0x100u, 0x2192u, 0xFEFFu, 0xFFFDu, 0x1F600u})
    EXPECT_FALSE(all[cp].byte) << hex(cp);
  EXPECT_EQ(all[0xA0].byte, std::optional<uint8_t>(0xA0));  // the no-break space
  EXPECT_EQ(all[0x20AC].byte, std::optional<uint8_t>(0x80));
  EXPECT_EQ(all[0x0178].byte, std::optional<uint8_t>(0x9F));
}

// Text that is not UTF-8 is taken as Windows-1252 already; plain ASCII is
// left as it is.
TEST(Windows1252, TextThatIsNotUtf8StaysAsItIs) {
  const std::string cases[] = {
      "CITT\xC0",          // a Windows-1252 letter
      "\xA0",              // a lone continuation byte
      "\xC0\xA0",          // an overlong form
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xE2\x82",          // cut short at the end
      "\xC3\xA0 \x80",     // UTF-8 at first, then not
      "plain ASCII,\r\n",
  };
  for (const std::string& c : cases) {
    std::string text = c;
    EXPECT_FALSE(to_windows_1252(text, "t.txt").has_value()) << c;
    EXPECT_EQ(text, c);
  }
}

// The byte-order mark is dropped with the conversion and counts for no
// column: a character refused on the first line is placed as the editor
// shows it.
TEST(Windows1252, ColumnsAfterAByteOrderMark) {
  struct Case {
    std::string text;
    int line, column;
    std::string line_text;  // as the report shows it
  };
  const std::string arrow = "\xE2\x86\x92";
  const Case cases[] = {
      {"\xEF\xBB\xBF"
       "ab" +
           arrow,
       1, 3, "ab" + arrow},
      {"ab" + arrow, 1, 3, "ab" + arrow},
      {"\xEF\xBB\xBF" + arrow, 1, 1, arrow},
      {"\xEF\xBB\xBF"
       "a\r\nb" +
           arrow + "\r\n",
       2, 2, "b" + arrow},
      {"\xEF\xBB\xBF"
       "a\nbc" +
           arrow,
       2, 3, "bc" + arrow},
      {"a"
       "\xEF\xBB\xBF",
       1, 2, "a\xEF\xBB\xBF"},  // a mark inside the text is a character
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    const std::optional<EncodingProblem> p = to_windows_1252(text, "t.txt");
    ASSERT_TRUE(p.has_value()) << c.text;
    EXPECT_EQ(p->where.line, c.line) << c.text;
    EXPECT_EQ(p->where.column, c.column) << c.text;
    EXPECT_EQ(p->where.text, c.line_text) << c.text;
  }
  std::string text =
      "\xEF\xBB\xBF"
      "CITT\xC3\x80\r\n";
  EXPECT_FALSE(to_windows_1252(text, "t.txt").has_value());
  EXPECT_EQ(text, "CITT\xC0\r\n");
}

}  // namespace
}  // namespace scenarioc
