// Positions of the protocol against the bytes of a text, file URIs, and
// which files are sources.
#include "lsp/text_lines.h"

#include <gtest/gtest.h>

#include "lsp/source_view.h"

namespace scenarioc::lsp {
namespace {

TEST(TextLines, CountsUtf16UnitsAndEveryLineEnd) {
  // CR LF, a lone LF and a lone CR all end a line, as for the compiler.
  const std::string text = "ab\r\nà€😀x\nlast\rz";
  const TextLines lines(text);
  ASSERT_EQ(lines.count(), 4u);
  EXPECT_EQ(lines.line(0), "ab");
  EXPECT_EQ(lines.line(2), "last");
  EXPECT_EQ(lines.line(3), "z");
  EXPECT_EQ(lines.line(9), "");
  struct Case {
    size_t utf16, byte;
  };
  // à: 2 bytes, 1 unit; €: 3 bytes, 1 unit; 😀: 4 bytes, 2 units.
  for (const Case c : {Case{0, 0}, Case{1, 2}, Case{2, 5}, Case{4, 9}, Case{5, 10}}) {
    EXPECT_EQ(lines.byte_of(1, c.utf16), c.byte) << c.utf16;
    EXPECT_EQ(lines.utf16_of(1, c.byte), c.utf16) << c.byte;
  }
  EXPECT_EQ(lines.byte_of(1, 99), 10u) << "clamped to the line";
  EXPECT_EQ(lines.utf16_of_chars(1, 3), 4u);
  // A Windows-1252 byte that is no UTF-8 counts as one character.
  const TextLines latin("citt\xe0, 5");
  EXPECT_EQ(latin.utf16_of(0, 6), 6u);
}

TEST(FileUris, RoundTripAndRefuseWhatNamesNoLocalFile) {
  const std::string path = "/home/a b/Città_linea.txt";
  EXPECT_EQ(uri_of_path(path), "file:///home/a%20b/Citt%C3%A0_linea.txt");
  EXPECT_EQ(path_of_uri(uri_of_path(path)), path);
  EXPECT_EQ(path_of_uri("file://localhost/x/L_linea.txt"), "/x/L_linea.txt");
  EXPECT_EQ(path_of_uri("file:///x/L_1-.txt?query#frag"), "/x/L_1-.txt");
  EXPECT_EQ(path_of_uri("file:///x/%zz"), "/x/%zz");
  // A Windows path: its drive after a slash, its separators as slashes.
  EXPECT_EQ(uri_of_path("C:\\scenari\\Città_linea.txt"), "file:///C:/scenari/Citt%C3%A0_linea.txt");
  EXPECT_EQ(path_of_uri("file:///C:/scenari/L_linea.txt"), "C:/scenari/L_linea.txt");
  EXPECT_EQ(path_of_uri("file:///c%3A/scenari/L_linea.txt"), "c:/scenari/L_linea.txt");
  for (const char* not_local : {"untitled:Untitled-1", "https://host/L_linea.txt",
                                "file://server/share/L_linea.txt", "file:///x/a%00b", ""})
    EXPECT_EQ(path_of_uri(not_local), std::nullopt) << not_local;
}

TEST(SourceFiles, AreToldByTheirNames) {
  struct Case {
    const char* name;
    std::optional<SourceRole> role;
  };
  const Case cases[] = {
      {"/x/Valdena_linea.txt", SourceRole::kLine},
      {"Valdena_LINEA.TXT", SourceRole::kLine},
      {"/x/Valdena_704-.txt", SourceRole::kTrain},
      {"/x/704-.txt", std::nullopt},  // no line name before the number
      {"/x/_linea.txt", std::nullopt},
      {"/x/notes.txt", std::nullopt},
      {"/x/Valdena_704.dat", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(role_of_file(c.name), c.role) << c.name;
}

}  // namespace
}  // namespace scenarioc::lsp
