// A source saved with a UTF-8 byte-order mark: the mark is no character of
// the first line, so a failure there is reported at the column the editor
// shows, under a copy of the line without the mark.
#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::run_scenarioc;
using testing::spit;
using testing::TempDir;

const std::string kMark = "\xEF\xBB\xBF";
const std::string kFirstLine = "[generale], lunghezza percorso, abc";
// The report: where, the line as it stands, a caret under 'abc' at column 33.
const std::string kReport = "P_linea.txt:1:33: error 25: expected a whole number, found 'abc'\n" +
                            kFirstLine + "\n" + std::string(32, ' ') + "^\n";

std::string check_line_file(const std::string& line_text) {
  TempDir dir;
  spit(dir / "P_linea.txt", line_text);
  spit(dir / "P_1-.txt", "[generale]\r\n[fine]\r\n");
  const auto r = run_scenarioc({"check", "P_linea.txt", "P_1-.txt"}, dir.path());
  EXPECT_NE(r.status, 0);
  return r.err;
}

TEST(ByteOrderMark, CountsForNoColumnInUtf8Text) {
  // The letter À in UTF-8: the text is converted to the code page.
  const std::string err = check_line_file(kMark + kFirstLine + "\r\n[d]\r\n" +
                                          "cartello indicatore, 1000, CITT\xC3\x80\r\n[fine]\r\n");
  EXPECT_EQ(err.substr(0, kReport.size()), kReport) << err;
}

// The reader still counts the mark in the first line's columns, and copies
// it into the report, when the text is taken as Windows-1252 as it stands.
TEST(ByteOrderMark, CountsForNoColumnInWindows1252Text) {
  // The letter À as its Windows-1252 byte: the text is not UTF-8.
  const std::string err = check_line_file(kMark + kFirstLine + "\r\n[d]\r\n" +
                                          "cartello indicatore, 1000, CITT\xC0\r\n[fine]\r\n");
  EXPECT_EQ(err.substr(0, kReport.size()), kReport) << err;
}

}  // namespace
}  // namespace scenarioc
