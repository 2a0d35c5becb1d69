// `--diagnostics=json` on compile and check: one JSON document on stderr
// whose diagnostics stand where the text form puts them, and the problem
// matcher of the README reads the text form.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using nlohmann::json;
using testing::TempDir;

// The line of the README's problem matcher, as an editor reads the text
// form: FILE:LINE:COL: (error|warning)( CODE)?: MESSAGE.
const std::regex kProblemMatcher(R"re(^(.*):(\d+):(\d+): (error|warning)(?: (\d+))?: (.*)$)re");
const std::regex kNoteLine(R"re(^(.*):(\d+):(\d+): note: (.*)$)re");

// A train file with an error (a station too near the start), a warning
// (a misspelt key) and a warning with a note (speed limits out of order).
constexpr const char* kTrain =
    "[generale]\n"
    "segnael,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
    "velocita,       0,    60\n"
    "velocita,    2000,   120\n"
    "velocita,    1100,   100\n"
    "stazione,    -100,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, BORGO\n"
    "[fine]\n";
constexpr const char* kLine =
    "[generale]\nlunghezza percorso,    40000\n[pendenze]\npendenza,   0,    0\n[fine]\n";

struct Outcome {
  int status;
  std::string out, err;
};

Outcome check(const TempDir& dir, const std::vector<std::string>& extra) {
  testing::spit(dir / "Prova_linea.txt", kLine);
  testing::spit(dir / "Prova_9-.txt", kTrain);
  std::vector<std::string> args = {"check", (dir / "Prova_linea.txt").string(),
                                   (dir / "Prova_9-.txt").string()};
  args.insert(args.end(), extra.begin(), extra.end());
  std::ostringstream out, err;
  const int status = run_command_line(args, out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(DiagnosticsJson, LocationsMatchTheTextForm) {
  TempDir dir;
  const Outcome text = check(dir, {});
  const Outcome as_json = check(dir, {"--diagnostics=json"});
  const Outcome spelt_apart = check(dir, {"--diagnostics", "json"});
  EXPECT_EQ(as_json.err, spelt_apart.err);
  EXPECT_EQ(as_json.status, text.status);
  EXPECT_EQ(as_json.status, 1);

  const json doc = json::parse(as_json.err);  // throws, failing the test, on invalid JSON
  const json& diagnostics = doc.at("diagnostics");

  // The text form, read as the problem matcher reads it.
  std::vector<std::smatch> heads, notes;
  std::vector<std::string> lines = lines_of(text.err);
  for (const std::string& line : lines) {
    std::smatch m;
    if (std::regex_match(line, m, kProblemMatcher)) heads.push_back(m);
    else if (std::regex_match(line, m, kNoteLine)) notes.push_back(m);
  }
  ASSERT_EQ(heads.size(), diagnostics.size()) << text.err;
  ASSERT_EQ(heads.size(), 3u) << text.err;
  size_t note = 0;
  bool error = false, warning = false, with_note = false;
  for (size_t i = 0; i < heads.size(); ++i) {
    const json& d = diagnostics[i];
    const std::smatch& m = heads[i];
    EXPECT_EQ(d.at("file").get<std::string>(), m[1].str());
    EXPECT_EQ(d.at("line").get<int>(), std::stoi(m[2].str()));
    EXPECT_EQ(d.at("column").get<int>(), std::stoi(m[3].str()));
    EXPECT_GT(d.at("end_column").get<int>(), d.at("column").get<int>());
    EXPECT_EQ(d.at("severity").get<std::string>(), m[4].str());
    if (m[5].matched) EXPECT_EQ(d.at("code").get<int>(), std::stoi(m[5].str()));
    else EXPECT_TRUE(d.at("code").is_null());
    // The text form names a warning after its message.
    const std::string message = d.at("message").get<std::string>();
    if (d.at("warning").is_string())
      EXPECT_EQ(m[6].str(), message + " [-W" + d.at("warning").get<std::string>() + "]");
    else
      EXPECT_EQ(m[6].str(), message);
    error |= d.at("severity") == "error";
    warning |= d.at("severity") == "warning";
    for (const json& n : d.at("notes")) {
      with_note = true;
      ASSERT_LT(note, notes.size());
      const std::smatch& nm = notes[note++];
      EXPECT_EQ(n.at("file").get<std::string>(), nm[1].str());
      EXPECT_EQ(n.at("line").get<int>(), std::stoi(nm[2].str()));
      EXPECT_EQ(n.at("column").get<int>(), std::stoi(nm[3].str()));
      EXPECT_EQ(n.at("message").get<std::string>(), nm[4].str());
    }
  }
  EXPECT_EQ(note, notes.size());
  EXPECT_TRUE(error && warning && with_note);

  const json& summary = doc.at("summary");
  EXPECT_EQ(summary.at("errors"), 1);
  EXPECT_EQ(summary.at("warnings"), 2);
  EXPECT_EQ(summary.at("exit_status"), 1);
  EXPECT_NE(text.err.find("\n" + summary.at("text").get<std::string>() + "\n"), std::string::npos);
}

// The README's problem matcher, as a VS Code task would hold it, is the
// one the test reads with: the two may not drift apart.
TEST(DiagnosticsJson, TheReadmeShowsTheProblemMatcherTheTestUses) {
  const std::string readme = testing::slurp(std::filesystem::path(SCENARIOC_SOURCE_DIR) / "README.md");
  EXPECT_NE(readme.find(R"("regexp": "^(.*):(\\d+):(\\d+): (error|warning)(?: (\\d+))?: (.*)$")"),
            std::string::npos);
}

TEST(DiagnosticsJson, TextIsTheDefaultAndOtherFormsAreRefused) {
  TempDir dir;
  EXPECT_EQ(check(dir, {}).err, check(dir, {"--diagnostics=text"}).err);
  const Outcome bad = check(dir, {"--diagnostics=xml"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--diagnostics takes text or json, not 'xml'"), std::string::npos)
      << bad.err;
}

// A refused source and an end before compiling are JSON documents too.
TEST(DiagnosticsJson, ARefusalIsADocumentOfItsOwn) {
  TempDir dir;
  testing::spit(dir / "Prova_linea.txt", "");
  testing::spit(dir / "Prova_9-.txt", kTrain);
  std::ostringstream out, err;
  const int status = run_command_line({"check", (dir / "Prova_linea.txt").string(),
                                       (dir / "Prova_9-.txt").string(), "--diagnostics=json"},
                                      out, err);
  EXPECT_EQ(status, 2);
  const json doc = json::parse(err.str());
  ASSERT_EQ(doc.at("diagnostics").size(), 1u);
  EXPECT_EQ(doc["diagnostics"][0].at("severity"), "error");
  EXPECT_NE(doc["diagnostics"][0].at("message").get<std::string>().find("empty"),
            std::string::npos);
  EXPECT_EQ(doc.at("summary").at("exit_status"), 2);

  std::ostringstream out2, err2;
  const int busy = run_command_line({"check", (dir / "Prova_linea.txt").string(),
                                     (dir / "Prova_9-.txt").string(), "--line-name=a/b",
                                     "--diagnostics=json"},
                                    out2, err2);
  EXPECT_EQ(busy, 2);
  const json named = json::parse(err2.str());
  EXPECT_TRUE(named["diagnostics"][0].at("file").is_null());
  EXPECT_NE(named["diagnostics"][0].at("message").get<std::string>().find("line name"),
            std::string::npos);
}

}  // namespace
}  // namespace scenarioc
