#include "builtin/printed_forms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "builtin/rows.h"
#include "builtin/text_file.h"
#include "cli/builtin_files.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::crlf_lines;
using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using Writer = std::function<void(const std::string&, const std::string&,
                                  const std::filesystem::path&)>;

struct Form {
  const char* name;  // the form's own part of the file name
  Writer write;
};

const Form kForms[] = {
    {"note.txt", dati_note},
    {"rallentamenti.txt", dati_rallentamenti},
    {"scheda_treno.txt", dati_scheda},
};

std::filesystem::path fixture(const std::string& name) {
  return std::filesystem::path(SCENARIOC_TEST_DATA) / "forms" / name;
}

TEST(PrintedForms, EachFormIsWrittenAsItsFixture) {
  TempDir dir;
  for (const Form& form : kForms) {
    form.write("Valdena", "704", dir.path());
    const std::string name = std::string("Valdena_704_") + form.name;
    EXPECT_EQ(slurp(dir / name), slurp(fixture(form.name))) << name;
  }
  EXPECT_EQ(
      list_dir(dir.path()),
      (std::vector<std::string>{"Valdena_704_note.txt", "Valdena_704_rallentamenti.txt",
                                "Valdena_704_scheda_treno.txt"}));
  EXPECT_EQ(slurp(fixture("note.txt")), "");
}

TEST(PrintedForms, OtherNamesChangeTheFileNamesOnly) {
  TempDir dir;
  for (const Form& form : kForms) {
    form.write("Monte", "12", dir.path());
    EXPECT_EQ(slurp(dir / (std::string("Monte_12_") + form.name)),
              slurp(fixture(form.name)))
        << form.name;
  }
  EXPECT_EQ(list_dir(dir.path()).size(), 3u);
}

TEST(PrintedForms, AnExistingNotesFileIsEmptied) {
  TempDir dir;
  spit(dir / "Valdena_704_note.txt", "appunti del macchinista\r\n");
  dati_note("Valdena", "704", dir.path());
  EXPECT_EQ(slurp(dir / "Valdena_704_note.txt"), "");
}

// The length of every line, empty lines as 0: the ruled boxes only close
// when each line has exactly its characters, trailing spaces included.
TEST(PrintedForms, LinesHaveTheirStatedLengths) {
  std::vector<size_t> sheet = {0,  0,  82, 83, 83, 83, 83, 56,
                               64, 57, 57, 0,  82, 83, 83, 83};
  sheet.insert(sheet.end(), 31, 83);  // lines 17 to 47
  sheet.insert(sheet.end(), {83, 0});
  std::vector<size_t> order = {0, 42, 50, 81, 23, 0, 81, 81, 82, 82, 82, 82};
  order.insert(order.end(), 26, 82);  // lines 13 to 38
  order.insert(order.end(), {82, 0, 37, 63, 42, 49, 58, 42});

  const struct {
    const char* name;
    std::span<const std::string_view> table;
    std::vector<size_t> lengths;
  } cases[] = {
      {"train sheet", train_sheet_table(), sheet},
      {"slow-down order", slow_down_form_table(), order},
      {"notes", notes_form_table(), {}},
  };
  for (const auto& c : cases) {
    bool ok = false;
    const std::vector<std::string> lines = crlf_lines(text_file_bytes(c.table), &ok);
    EXPECT_TRUE(ok) << c.name;
    ASSERT_EQ(lines.size(), c.lengths.size()) << c.name;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].size(), c.lengths[i]) << c.name << " line " << i + 1;
    }
  }
  const std::vector<std::string_view> sheet_lines =
      testing::lines_of(train_sheet_table());
  ASSERT_EQ(sheet_lines.size(), 49u);
  EXPECT_EQ(sheet_lines[8].substr(57), "       ");
}

TEST(PrintedForms, RepeatedRowsAndTheKeyAreInPlace) {
  const std::vector<std::string_view> sheet = testing::lines_of(train_sheet_table());
  const std::vector<std::string_view> order = testing::lines_of(slow_down_form_table());
  ASSERT_EQ(sheet.size(), 49u);
  ASSERT_EQ(order.size(), 46u);
  for (size_t i = 17; i <= 47; ++i)
    EXPECT_EQ(sheet[i - 1], sheet[16]) << "sheet line " << i;
  for (size_t i = 13; i <= 38; ++i)
    EXPECT_EQ(order[i - 1], order[12]) << "order line " << i;
  EXPECT_NE(sheet[13].find("Localita' di  Servizio"), std::string_view::npos);
  EXPECT_EQ(order[43], " D - Rallentamneto N. ... e N. ...  sono contigui");
  for (const auto& line : sheet)
    EXPECT_EQ(line.find("riferimento"), std::string_view::npos);
  for (const auto& line : order)
    EXPECT_EQ(line.find("riferimento"), std::string_view::npos);
}

}  // namespace
}  // namespace scenarioc
