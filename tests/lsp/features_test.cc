// What an author sees beside the diagnostics: hovers, completion, fixes,
// the outline and the colours.
#include <gtest/gtest.h>

#include <tuple>

#include "lsp_fixture.h"
#include "reference/explain.h"

namespace scenarioc::testing {
namespace {

std::string hover_text(Editor& e, const std::string& uri, size_t line, size_t character) {
  const json r = e.request("textDocument/hover", Editor::at(uri, line, character));
  if (!r.contains("result") || r["result"].is_null()) return "";
  return r["result"]["contents"]["value"].get<std::string>();
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(LanguageServerHover, TellsKeysValuesPositionsAndCodes) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  const std::string text = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  e.open(f.train_uri, text);
  const size_t signal = line_starting(text, "segnale,    7400");
  const size_t typo = line_starting(text, "segnle,");
  const size_t header = line_starting(text, "[segnali]");
  const size_t station = line_starting(text, "stazione,    3400");

  // On a key: the keyword table's text, as `scenarioc explain segnale` prints it.
  std::ostringstream guide;
  print_keyword(keyword(Key::kSegnale), guide);
  EXPECT_EQ(hover_text(e, f.train_uri, signal, 3), guide.str());

  struct Case {
    const char* what;
    size_t line, character;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"a signal's position: its cell and what the route holds there", signal, 14,
       {"posizione (m)", "metre 7400: cell 149", "km ", "holds a signal"}},
      {"a signal's aspect", signal, 23, {"s1", "first aspect of the signal", "from 0 to 9"}},
      {"a station's name", station, 86, {"the station's name"}},
      {"a header", header, 3, {"header [segnali]"}},
      {"a key with a typo: explain's entry of its warning", typo, 2,
       {"matches no key", "unknown-key"}},
  };
  for (const Case& c : cases) {
    const std::string h = hover_text(e, f.train_uri, c.line, c.character);
    for (const std::string& p : c.parts) EXPECT_TRUE(has(h, p)) << c.what << ": no '" << p << "' in\n" << h;
  }
  // Nothing under a blank.
  EXPECT_EQ(hover_text(e, f.train_uri, signal, 9), "");
}

TEST(LanguageServerHover, AnErrorCodeShowsExplainsText) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  const std::string text = replaced(builtin_train(), "velocita,    1100,   100", "velocita,    1100,   1x0");
  e.open(f.train_uri, text);
  const size_t row = line_starting(text, "velocita,    1100");
  std::ostringstream explained;
  print_explanation(*find_explanation("25"), explained);
  EXPECT_TRUE(has(hover_text(e, f.train_uri, row, 22), explained.str()));
}

const json* item_labelled(const json& items, const std::string& label) {
  for (const json& i : items)
    if (i["label"] == label) return &i;
  return nullptr;
}

TEST(LanguageServerCompletion, OffersTheKeysOfTheSectionWithTheirValues) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  std::string train = builtin_train();
  const size_t after_signals = line_starting(train, "segnale,    2200");
  e.open(f.train_uri, train);
  json items = e.request("textDocument/completion", Editor::at(f.train_uri, after_signals, 0))["result"];
  // Under [segnali] the signal comes first, with a snippet of its values.
  std::sort(items.begin(), items.end(), [](const json& a, const json& b) { return a["sortText"] < b["sortText"]; });
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0]["label"], "segnale");
  EXPECT_EQ(items[0]["insertTextFormat"], 2);
  EXPECT_TRUE(has(items[0]["textEdit"]["newText"], "segnale,  ${1:posizione}, ${2:sx}"));
  EXPECT_TRUE(item_labelled(items, "stazione"));
  EXPECT_TRUE(item_labelled(items, "[stazioni]"));
  EXPECT_FALSE(item_labelled(items, "pendenza")) << "a key of the line file";
  EXPECT_FALSE(item_labelled(items, "[curve]")) << "a header of the line file";
  // After a comma come values, not keys.
  EXPECT_EQ(e.request("textDocument/completion", Editor::at(f.train_uri, after_signals, 10))["result"], json::array());

  // A line file: the general data take their own keys.
  e.open(f.line_uri, builtin_line());
  const json general = e.request("textDocument/completion", Editor::at(f.line_uri, 1, 0))["result"];
  EXPECT_TRUE(item_labelled(general, "lunghezza percorso"));
  EXPECT_FALSE(item_labelled(general, "pendenza"));
  const json data = e.request("textDocument/completion",
                              Editor::at(f.line_uri, line_starting(builtin_line(), "pendenza,  500"), 0))["result"];
  EXPECT_TRUE(item_labelled(data, "pendenza"));
  EXPECT_FALSE(item_labelled(data, "lunghezza percorso"));
}

TEST(LanguageServerCompletion, WithoutSnippetsTheKeyAloneIsInserted) {
  ScenarioFolder f;
  Editor e;
  e.initialize(/*snippets=*/false);
  e.open(f.train_uri, builtin_train());
  const json items = e.request("textDocument/completion", Editor::at(f.train_uri, 3, 0))["result"];
  const json* s = item_labelled(items, "segnale");
  ASSERT_TRUE(s);
  EXPECT_EQ((*s)["insertTextFormat"], 1);
  EXPECT_EQ((*s)["textEdit"]["newText"], "segnale,  ");
}

// Applies the edits of a workspace edit to `text` (one document).
std::string applied(std::string text, const json& edits) {
  std::vector<json> list(edits.begin(), edits.end());
  std::sort(list.begin(), list.end(), [](const json& a, const json& b) {
    return std::tie(a["range"]["start"]["line"], a["range"]["start"]["character"]) >
           std::tie(b["range"]["start"]["line"], b["range"]["start"]["character"]);
  });
  for (const json& ed : list) {
    const lsp::TextLines lines(text);
    const auto offset = [&](const json& p) {
      const size_t l = p["line"];
      if (l >= lines.count()) return text.size();
      return lines.line_start(l) + lines.byte_of(l, p["character"]);
    };
    const size_t b = offset(ed["range"]["start"]), x = offset(ed["range"]["end"]);
    text.replace(b, x - b, ed["newText"].get<std::string>());
  }
  return text;
}

TEST(LanguageServerCodeActions, EachFixMakesItsWarningGo) {
  struct Case {
    const char* warning;
    bool line_file;
    std::string from, to;
    bool preferred = true;  // certain; otherwise offered only
  };
  const std::string train = builtin_train(), line = builtin_line();
  const Case cases[] = {
      {"unknown-key", false, "segnale,    9900", "segnle,    9900"},
      {"unknown-key", true, "pendenza,  500", "pendensa,  500"},
      {"commented-row", false, "segnale,    9900", "# segnale,    9900"},
      {"commented-row", false, "segnale,    9900", "//segnale,    9900"},
      {"split-number", false, "velocita,   24200", "velocita,   24 200"},
      {"last-item-unread", false, "\r\n[fine]\r\n", "\r\nfine"},
      {"thousands-separator", false, "velocita,   24200", "velocita,   24.200"},
      {"thousands-separator", false, "velocita,   24200", "velocita,   24'200"},
      {"decimal-fraction", false, "percentuale massa frenata,    130",
       "percentuale massa frenata,    1,30"},
      {"decimal-fraction", false, "velocita,    1100,   100", "velocita,    1100,   100,5", false},
      {"decimal-fraction", false, "velocita,    1100,   100", "velocita,    1100,   100.5", false},
      {"percent-sign", false, "aderenza,     400,    80", "aderenza,     400,    80 %"},
      {"semicolons", false, "velocita,    1100,   100", "velocita;    1100;   100"},
      {"semicolons", false, "velocita,    1100,   100", "velocita,    1100;   100"},
      {"kilometres", false, "velocita,   24200", "velocita,   24.2 km", false},
      {"time-with-colons", false, "orologio,    6               51            45",
       "orologio,    6:51:45"},
  };
  for (const Case& c : cases) {
    ScenarioFolder f;
    Editor e;
    e.initialize();
    const std::string uri = c.line_file ? f.line_uri : f.train_uri;
    const std::string text = replaced(c.line_file ? line : train, c.from, c.to);
    ASSERT_NE(text, c.line_file ? line : train) << c.warning;
    e.open(uri, text);
    const json d = e.diagnostics(uri);
    const json* warning = nullptr;
    for (const json& x : d)
      if (x.value("code", json()) == c.warning) warning = &x;
    ASSERT_TRUE(warning) << c.warning << " not found in " << d.dump(1);
    const json actions = e.request("textDocument/codeAction",
                                   {{"textDocument", {{"uri", uri}}},
                                    {"range", (*warning)["range"]},
                                    {"context", {{"diagnostics", {*warning}}}}})["result"];
    ASSERT_FALSE(actions.empty()) << c.warning;
    EXPECT_EQ(actions[0]["kind"], "quickfix");
    EXPECT_EQ(actions[0]["isPreferred"].get<bool>(), c.preferred) << c.warning << ": " << c.to;
    const std::string fixed = applied(text, actions[0]["edit"]["changes"][uri]);
    e.change(uri, fixed, 2);
    for (const json& x : e.diagnostics(uri))
      EXPECT_NE(x.value("code", json()), c.warning) << c.warning << " stays after the fix:\n" << fixed;
    // A fix leaves no other mistake behind.
    for (const json& x : e.diagnostics(uri))
      EXPECT_NE(x["severity"], 1) << c.to << " fixed as\n" << fixed << "\n" << x.dump();
  }
}

TEST(LanguageServerCodeActions, NoFixWhereNoneIsCertain) {
  struct Case {
    std::string from, to;
  };
  const Case cases[] = {
      // A position off the 50 m grid: rounded, but up or down is the author's call.
      {"segnale,    9900", "segnale,    9910"},
      // "0,80" is not nought: which whole number it means is the author's call.
      {"aderenza,     400,    80", "aderenza,     400,    0,80"},
  };
  for (const Case& c : cases) {
    ScenarioFolder f;
    Editor e;
    e.initialize();
    const std::string text = replaced(builtin_train(), c.from, c.to);
    e.open(f.train_uri, text);
    ASSERT_FALSE(e.diagnostics(f.train_uri).empty()) << c.to;
    const size_t row = line_starting(text, c.to);
    const json actions = e.request("textDocument/codeAction",
                                   {{"textDocument", {{"uri", f.train_uri}}},
                                    {"range", {{"start", {{"line", row}, {"character", 0}}},
                                               {"end", {{"line", row}, {"character", 200}}}}},
                                    {"context", {{"diagnostics", json::array()}}}})["result"];
    EXPECT_EQ(actions, json::array()) << c.to;
  }
}

TEST(LanguageServerOutline, ListsSectionsStationsSignalsAndCurves) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  e.open(f.train_uri, builtin_train());
  const json symbols = e.request("textDocument/documentSymbol", {{"textDocument", {{"uri", f.train_uri}}}})["result"];
  std::map<std::string, std::vector<std::string>> children;
  for (const json& s : symbols)
    for (const json& c : s["children"]) children[s["name"]].push_back(c["name"]);
  EXPECT_EQ(children["[stazioni]"].front(), "VALDENA CENTRALE");
  EXPECT_EQ(children["[stazioni]"].size(), 21u);
  EXPECT_EQ(children["[segnali]"].front(), "signal at 2200 m");
  EXPECT_EQ(children["[segnali]"].size(), 95u);

  e.open(f.line_uri, builtin_line());
  const json line = e.request("textDocument/documentSymbol", {{"textDocument", {{"uri", f.line_uri}}}})["result"];
  bool curve = false;
  for (const json& s : line)
    if (s["name"] == "[curve]") curve = !s["children"].empty() && s["children"][0]["name"] == "curvad1";
  EXPECT_TRUE(curve) << line.dump(1).substr(0, 2000);
}

// The tokens of one line as (text, type, modifiers).
using Token = std::tuple<std::string, std::string, int>;

std::vector<Token> tokens_of_line(Editor& e, const std::string& uri, const std::string& text, size_t want) {
  const json caps = e.request("initialize", json::object())["result"];
  const json legend = caps["capabilities"]["semanticTokensProvider"]["legend"]["tokenTypes"];
  const json data = e.request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", uri}}}})["result"]["data"];
  const lsp::TextLines lines(text);
  std::vector<Token> got;
  size_t line = 0, ch = 0;
  for (size_t i = 0; i + 5 <= data.size(); i += 5) {
    const size_t dl = data[i], dc = data[i + 1], len = data[i + 2];
    ch = dl == 0 ? ch + dc : dc;
    line += dl;
    if (line != want) continue;
    const size_t b = lines.byte_of(line, ch), x = lines.byte_of(line, ch + len);
    got.emplace_back(std::string(lines.line(line).substr(b, x - b)), legend[data[i + 3].get<size_t>()], data[i + 4]);
  }
  return got;
}

TEST(LanguageServerColours, ShowWhatTheCompilerReads) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  std::string line = builtin_line();
  line = replaced(line, "curvad1,  8500,  7300", "curva destra,  8500,  7300");
  line = replaced(line, "pendenza,  500,   -3", "-- uphill --, pendenza,  500,   -3");
  line = replaced(line, "pendenza,  3250,   0", "pendnza,  3250,   0");
  e.open(f.line_uri, line);
  struct Case {
    const char* what;
    std::string starts;
    std::vector<Token> tokens;
  };
  const Case cases[] = {
      {"a key read by a word inside it, and the letter that makes the curve bend left",
       "curva destra",
       {{"curva", "keyword", 0}, {"d", "enumMember", 0}, {"s", "enumMember", 0}, {"8500", "number", 0}, {"7300", "number", 0}}},
      {"a comment before the key, a negative value", "-- uphill",
       {{"-- uphill --", "comment", 0}, {"pendenza", "keyword", 0}, {"500", "number", 0}, {"-3", "number", 0}}},
      {"a key that matches nothing: every item passed over", "pendnza",
       {{"pendnza", "variable", 1}, {"3250", "variable", 1}, {"0", "variable", 1}}},
      {"a header", "[curve]", {{"[curve]", "namespace", 0}}},
      {"two words of a key", "lunghezza percorso",
       {{"lunghezza", "keyword", 0}, {"percorso", "keyword", 0}, {"220000", "number", 0}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tokens_of_line(e, f.line_uri, line, line_starting(line, c.starts)), c.tokens) << c.what;

  e.open(f.train_uri, builtin_train());
  const std::string train = builtin_train();
  const std::vector<Token> clock = tokens_of_line(e, f.train_uri, train, line_starting(train, "orologio"));
  EXPECT_EQ(clock, (std::vector<Token>{{"orologio", "keyword", 0}, {"6", "number", 0}, {"51", "number", 0}, {"45", "number", 0}}));
  const std::vector<Token> station = tokens_of_line(e, f.train_uri, train, line_starting(train, "stazione,    3400"));
  ASSERT_FALSE(station.empty());
  EXPECT_EQ(station.back(), (Token{"PIANCORE DI VALDENA", "string", 0}));
}

}  // namespace
}  // namespace scenarioc::testing

namespace scenarioc::testing {
namespace {

bool before_or_at(const json& a, const json& b) {
  return std::tie(a["line"], a["character"]) <= std::tie(b["line"], b["character"]);
}

// Whatever the text, every feature answers, and what it answers holds
// together: ranges that end after they start, tokens that never overlap.
TEST(LanguageServerFeatures, AnswerSoundlyOnOddTexts) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"an empty file", ""},
      {"commas alone", std::string(100000, ',')},
      {"two headers on one line", "[generale], [generale]\r\n[stazioni], [segnali]\r\n"},
      {"a clock with a fourth number", "[generale]\r\norologio, 6  51  45  99\r\n[fine]\r\n"},
      {"no line end at all", "[generale], segnale, 100, 1"},
      {"lone CRs and NUL bytes", std::string("[generale]\rsegnale,\0 1\r\r", 24)},
      {"a station without a name", "[generale]\r\nstazione, 100\r\n"},
      {"a name beyond ASCII, and beyond Windows-1252", "[generale]\r\nstazione, 100, CITTÀ 😀\r\n"},
  };
  TempDir dir;
  const std::string uri = lsp::uri_of_path((dir / "Odd_1-.txt").string());
  spit(dir / "Odd_linea.txt", builtin_line());
  for (const Case& c : cases) {
    Editor e;
    e.initialize();
    e.open(uri, c.text);
    const json symbols = e.request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    ASSERT_TRUE(symbols.contains("result")) << c.what << symbols.dump();
    for (const json& s : symbols["result"])
      EXPECT_TRUE(before_or_at(s["range"]["start"], s["range"]["end"])) << c.what << s.dump();
    const json tokens = e.request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", uri}}}});
    ASSERT_TRUE(tokens.contains("result")) << c.what;
    const json& data = tokens["result"]["data"];
    EXPECT_EQ(data.size() % 5, 0u) << c.what;
    for (size_t i = 5; i + 5 <= data.size(); i += 5)
      if (data[i] == 0) {
        EXPECT_GE(data[i + 1].get<size_t>(), data[i - 3].get<size_t>()) << c.what << " tokens overlap";
      }
    for (const size_t line : {0, 1, 2})
      for (const size_t ch : {0, 1, 5, 100})
        for (const char* method : {"textDocument/hover", "textDocument/completion"})
          EXPECT_TRUE(e.request(method, Editor::at(uri, line, ch)).contains("result")) << c.what << method;
  }
}

}  // namespace
}  // namespace scenarioc::testing
