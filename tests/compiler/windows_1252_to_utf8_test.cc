// Texts of the compiled files shown in Unicode: every byte of Windows-1252
// has one UTF-8 form, which the conversion for the sources takes back.
#include <gtest/gtest.h>

#include "compiler/text_encoding.h"

namespace scenarioc {
namespace {

TEST(Windows1252ToUtf8, EveryByteAndBack) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = windows_1252_to_utf8(byte);
    const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (unassigned) {
      // Kept as the control character of the same number.
      EXPECT_EQ(utf8, (std::string{static_cast<char>(0xC2), static_cast<char>(b)})) << b;
      continue;
    }
    std::string back = utf8;
    EXPECT_FALSE(to_windows_1252(back, "t").has_value()) << b;
    EXPECT_EQ(back, byte) << b;
  }
}

TEST(Windows1252ToUtf8, TheTableAroundItsEdges) {
  struct Case {
    const char* bytes;
    const char* utf8;
  };
  for (const Case& c : {Case{"A~\x7f", "A~\x7f"}, Case{"\x80", "\xE2\x82\xAC"},
                        Case{"\x9F", "\xC5\xB8"}, Case{"\xA0", "\xC2\xA0"},
                        Case{"\xC0\xFF", "\xC3\x80\xC3\xBF"}, Case{"\x99", "\xE2\x84\xA2"}})
    EXPECT_EQ(windows_1252_to_utf8(c.bytes), c.utf8) << c.bytes;
}

}  // namespace
}  // namespace scenarioc
