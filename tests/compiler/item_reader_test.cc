#include "compiler/item_reader.h"

#include <gtest/gtest.h>

#include "compiler/runtime_failure.h"

namespace scenarioc {
namespace {

// One read: 't' text, 'l' long, 'i' integer, 'b' byte.
struct Read {
  char kind;
  std::string expected;  // the text, or the number written in decimal
};

struct ReaderCase {
  const char* name;
  std::string data;
  std::vector<Read> reads;
  bool at_end_after;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

std::string do_read(ItemReader& r, char kind) {
  switch (kind) {
    case 't': return std::string(r.read_text());
    case 'l': return std::to_string(r.read_long());
    case 'i': return std::to_string(r.read_integer());
    default: return std::to_string(r.read_byte());
  }
}

class ItemReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ItemReaderCases, ReadsItemsAsScenarioFilesAreWritten) {
  const ReaderCase& c = GetParam();
  ItemReader r(c.data, "test.txt");
  for (size_t i = 0; i < c.reads.size(); ++i)
    EXPECT_EQ(do_read(r, c.reads[i].kind), c.reads[i].expected) << "read " << i;
  EXPECT_EQ(r.at_end(), c.at_end_after);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ItemReaderCases,
    ::testing::Values(
        ReaderCase{"KeyThenValue", "lunghezza percorso,    220000\r\n",
                   {{'t', "lunghezza percorso"}, {'l', "220000"}}, true},
        ReaderCase{"LineWithoutComma", "[curve]\r\ncurvad1,  8500,  7300\r\n",
                   {{'t', "[curve]"}, {'t', "curvad1"}, {'l', "8500"}, {'l', "7300"}}, true},
        ReaderCase{"BlankFieldsReadAsZero",
                   "indicatori_vmax,  1100,  80,  ,  ,  0\r\n",
                   {{'t', "indicatori_vmax"}, {'l', "1100"}, {'l', "80"}, {'l', "0"},
                    {'l', "0"}, {'l', "0"}}, true},
        ReaderCase{"NumbersSeparatedByBlanksOnly",
                   "orologio,    6               51            45 \r\n",
                   {{'t', "orologio"}, {'i', "6"}, {'i', "51"}, {'i', "45"}}, true},
        ReaderCase{"ValueOnTheNextLine", "sabbia,\r\n   300\r\n",
                   {{'t', "sabbia"}, {'i', "300"}}, true},
        ReaderCase{"LoneLfAndLoneCrEndLines", "a\nb\rc\r\n",
                   {{'t', "a"}, {'t', "b"}, {'t', "c"}}, true},
        ReaderCase{"TrailingBlanksOfTextDropped", "  name with  spaces \t ,x",
                   {{'t', "name with  spaces"}, {'t', "x"}}, true},
        ReaderCase{"BlankLineIsAnEmptyItem", "\r\nx\r\n", {{'t', ""}, {'t', "x"}}, true},
        ReaderCase{"QuotesAreOrdinary", "\"a\",b", {{'t', "\"a\""}, {'t', "b"}}, true},
        ReaderCase{"NegativeNumbers", "pendenza,  500,   -3\r\n",
                   {{'t', "pendenza"}, {'l', "500"}, {'l', "-3"}}, true},
        ReaderCase{"RangesOfTheThreeTypes",
                   "2147483647,-2147483648,32767,-32768,255,0",
                   {{'l', "2147483647"}, {'l', "-2147483648"}, {'i', "32767"},
                    {'i', "-32768"}, {'b', "255"}, {'b', "0"}}, true},
        ReaderCase{"ByteOrderMarkIsSkipped", "\xEF\xBB\xBF[generale]\r\n",
                   {{'t', "[generale]"}}, true},
        ReaderCase{"NotAtEndBeforeTheLastLineEnd", "x,\r\n5 ", {{'t', "x"}, {'l', "5"}},
                   true},
        ReaderCase{"TextLeavesTheRestOfTheLine", "a,b\r\n", {{'t', "a"}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  std::string data;
  char kind;
  int line;
  int column;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class ItemReaderFailures : public ::testing::TestWithParam<BadCase> {};

TEST_P(ItemReaderFailures, AreRuntimeFailuresThatNameTheItem) {
  const BadCase& c = GetParam();
  ItemReader r(c.data, "f.txt");
  r.read_text();  // the key
  try {
    do_read(r, c.kind);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& f) {
    ASSERT_TRUE(f.where.has_value());
    EXPECT_EQ(f.where->file, "f.txt");
    EXPECT_EQ(f.where->line, c.line);
    EXPECT_EQ(f.where->column, c.column);
    EXPECT_FALSE(std::string(f.what()).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, ItemReaderFailures,
    ::testing::Values(BadCase{"TextForANumber", "k,\r\nsfondo, abc\r\n", 'l', 2, 1},
                      BadCase{"LongTooLarge", "k, 2147483648", 'l', 1, 4},
                      BadCase{"IntegerTooLarge", "k, 32768", 'i', 1, 4},
                      BadCase{"ByteNegative", "k, -1", 'b', 1, 4},
                      BadCase{"ByteTooLarge", "k,  256", 'b', 1, 5},
                      BadCase{"HugeNumber", "k, 99999999999999999999999", 'l', 1, 4},
                      BadCase{"LoneMinus", "k, -,", 'l', 1, 4},
                      BadCase{"PlusSign", "k, +5", 'l', 1, 4},
                      BadCase{"DecimalPoint", "k, 1.5", 'l', 1, 4},
                      BadCase{"EndOfFileInsteadOfValue", "k,", 'l', 1, 3},
                      BadCase{"OnlyBlanksLeft", "k,  \r\n  ", 'l', 2, 3},
                      BadCase{"TextAfterTheEnd", "k", 't', 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ItemReader, LocationCarriesTheWholeLine) {
  ItemReader r("a\r\n  segnale,   23850, 1\r\n", "t.txt");
  r.read_text();
  r.read_text();
  r.read_long();
  const SourceLocation at = r.last_location();
  EXPECT_EQ(at.line, 2);
  EXPECT_EQ(at.column, 14);
  EXPECT_EQ(at.text, "  segnale,   23850, 1");
}

TEST(ItemReader, TextLongerThanTheTimetableAllowsFails) {
  const std::string data = "k," + std::string(65536, 'x');
  ItemReader r(data, "t.txt");
  r.read_text();
  EXPECT_THROW(r.read_text(), RuntimeFailure);
}

TEST(ItemReader, AnyBytesEndInItemsOrFailures) {
  // NUL bytes and high bytes are ordinary characters of a text item.
  const std::string data("a\0b\xff,\x80", 6);
  ItemReader r(data, "t.txt");
  EXPECT_EQ(r.read_text(), std::string_view("a\0b\xff", 4));
  EXPECT_EQ(r.read_text(), "\x80");
  EXPECT_TRUE(r.at_end());
}

}  // namespace
}  // namespace scenarioc
