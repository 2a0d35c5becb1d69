// The language server as an editor meets it: diagnostics of a file and its
// partner, stale results dropped, cancellation, the protocol's errors and
// its end.
#include "lsp/server.h"

#include <gtest/gtest.h>

#include <set>

#include "lsp_fixture.h"

namespace scenarioc::testing {
namespace {

using lsp::Frame;

// Input that waits behind the message handled: a newer text of some
// documents, cancels for some requests. `change_after_checks`: the newer
// text arrives only after that many looks, as while a compile runs.
class Waiting final : public lsp::PendingInput {
 public:
  std::set<std::string> changed;
  std::set<int> cancelled;
  int change_after_checks = 0;
  mutable int checks = 0;
  bool change_waiting(const std::string& uri) const override {
    return ++checks > change_after_checks && changed.count(uri);
  }
  bool cancel_waiting(const json& id) const override {
    return id.is_number_integer() && cancelled.count(id.get<int>());
  }
};

std::vector<std::string> codes(const json& diagnostics) {
  std::vector<std::string> got;
  if (diagnostics.is_null()) return got;
  for (const json& d : diagnostics)
    got.push_back(d.contains("code") ? (d["code"].is_string() ? d["code"].get<std::string>()
                                                              : std::to_string(d["code"].get<int>()))
                                     : "");
  return got;
}

TEST(LanguageServer, ATypoInAKeyIsShownAtItsRowWithItsWarningName) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  const std::string text = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  e.open(f.train_uri, text);
  const json d = e.diagnostics(f.train_uri);
  ASSERT_EQ(codes(d), std::vector<std::string>{"unknown-key"});
  const size_t row = line_starting(text, "segnle,");
  EXPECT_EQ(d[0]["range"]["start"], json({{"line", row}, {"character", 0}}));
  EXPECT_EQ(d[0]["range"]["end"], json({{"line", row}, {"character", 6}}));
  EXPECT_EQ(d[0]["severity"], 2);
  EXPECT_NE(d[0]["message"].get<std::string>().find("did you mean 'segnale'?"), std::string::npos);
  // The partner line file, clean, is published too.
  EXPECT_EQ(e.diagnostics(f.line_uri), json::array());
}

TEST(LanguageServer, AnErrorHasItsCodeAndItsNotesAsRelatedPlaces) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  // Two signals in one cell: the second is refused, with a note at the first.
  const std::string text = replaced(builtin_train(), "segnale,    9900", "segnale,    7400");
  e.open(f.train_uri, text);
  const json d = e.diagnostics(f.train_uri);
  ASSERT_FALSE(d.empty());
  bool with_note = false;
  for (const json& x : d) {
    if (!x["code"].is_number()) continue;
    EXPECT_EQ(x["severity"], 1);
    if (x.contains("relatedInformation")) {
      with_note = true;
      EXPECT_EQ(x["relatedInformation"][0]["location"]["uri"], f.train_uri);
    }
  }
  EXPECT_TRUE(with_note) << d.dump(1);
}

TEST(LanguageServer, RangesCountUtf16UnitsOfTheEditorsText) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  // "à" is two bytes in UTF-8 and one unit in UTF-16; "€" three and one.
  // The faulty item stands after both on its row.
  const std::string text = replaced(builtin_train(), "velocita,    1100,   100", "velocità€,    1100,   1x0");
  e.open(f.train_uri, text);
  const json d = e.diagnostics(f.train_uri);
  const size_t row = line_starting(text, "velocità€");
  bool found = false;
  for (const json& x : d)
    if (x["range"]["start"]["line"] == row && x["code"] == 25) {
      found = true;
      // "velocità€,    1100,   " is 22 characters, 25 bytes.
      EXPECT_EQ(x["range"]["start"]["character"], 22) << x.dump();
      EXPECT_EQ(x["range"]["end"]["character"], 25) << x.dump();
    }
  EXPECT_TRUE(found) << d.dump(1);
}

TEST(LanguageServer, TheUnsavedTextOfAnOpenPartnerIsTheOneCompiled) {
  ScenarioFolder f;  // both files clean on the disk
  Editor e;
  e.initialize();
  const std::string train = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  e.open(f.train_uri, train);
  e.sent.clear();
  // Opening the line file compiles it with the open train's unsaved text,
  // and publishes the train's diagnostics too.
  e.open(f.line_uri, builtin_line());
  EXPECT_EQ(codes(e.diagnostics(f.train_uri)), std::vector<std::string>{"unknown-key"});
  EXPECT_EQ(e.diagnostics(f.line_uri), json::array());
  // A change to the line file that the train's rows depend on: the line
  // now ends before the train's signals, and the train is told.
  e.sent.clear();
  e.change(f.line_uri, replaced(builtin_line(), "lunghezza percorso,    220000", "lunghezza percorso,    2000"), 2);
  EXPECT_GT(e.diagnostics(f.train_uri).size(), 1u);
}

TEST(LanguageServer, ALineFileIsCompiledWithATrainFileOnTheDisk) {
  ScenarioFolder f(true, false);
  spit(f.train_path, replaced(builtin_train(), "segnale,    9900", "segnle,    9900"));
  Editor e;
  e.initialize();
  e.open(f.line_uri, builtin_line());
  EXPECT_EQ(codes(e.diagnostics(f.train_uri)), std::vector<std::string>{"unknown-key"});
}

TEST(LanguageServer, ALineFileAloneIsCheckedOnItsOwn) {
  ScenarioFolder f(false, false);
  Editor e;
  e.initialize();
  e.open(f.line_uri, replaced(builtin_line(), "pendenza,  500", "pendnza,  500"));
  EXPECT_EQ(codes(e.diagnostics(f.line_uri)), std::vector<std::string>{"unknown-key"});
  // Nothing is said of the stand-in train.
  EXPECT_EQ(e.publications(), 1);
}

TEST(LanguageServer, ATrainFileWithoutItsLineFileSaysSo) {
  ScenarioFolder f(false, false);
  Editor e;
  e.initialize();
  e.open(f.train_uri, builtin_train());
  const json d = e.diagnostics(f.train_uri);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0]["message"].get<std::string>().find("Valdena_linea.txt"), std::string::npos);
}

TEST(LanguageServer, AFileNamedAsNoSourceIsLeftAlone) {
  TempDir dir;
  Editor e;
  e.initialize();
  e.open(lsp::uri_of_path((dir / "notes.txt").string()), "segnle, 1\r\n");
  EXPECT_EQ(e.publications(), 0);
  ASSERT_FALSE(e.sent.empty());
  EXPECT_EQ(e.sent.back()["method"], "window/logMessage");
}

TEST(LanguageServer, AResultMadeStaleByANewerTextIsDropped) {
  ScenarioFolder f;
  const std::string typo = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  struct Case {
    const char* what;
    int change_after_checks;
  };
  for (const Case c : {Case{"the newer text waits before the compile", 0},
                       Case{"the newer text arrives while it compiles", 1}}) {
    Editor e;
    e.initialize();
    e.open(f.train_uri, builtin_train());
    e.sent.clear();
    Waiting newer;
    newer.changed = {f.train_uri};
    newer.change_after_checks = c.change_after_checks;
    e.feed({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
            {"params", {{"textDocument", {{"uri", f.train_uri}, {"version", 2}}}, {"contentChanges", {{{"text", typo}}}}}}},
           newer);
    EXPECT_EQ(e.publications(), 0) << c.what;
    // The newer text then compiles and is published.
    e.change(f.train_uri, typo, 3);
    EXPECT_EQ(codes(e.diagnostics(f.train_uri)), std::vector<std::string>{"unknown-key"}) << c.what;
  }
}

TEST(LanguageServer, ACancelledRequestIsAnsweredAsCancelled) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  e.open(f.train_uri, builtin_train());
  Waiting cancels;
  cancels.cancelled = {41};
  e.sent.clear();
  e.feed({{"jsonrpc", "2.0"}, {"id", 41}, {"method", "textDocument/hover"}, {"params", Editor::at(f.train_uri, 0, 1)}}, cancels);
  e.feed({{"jsonrpc", "2.0"}, {"id", 42}, {"method", "textDocument/hover"}, {"params", Editor::at(f.train_uri, 0, 1)}}, cancels);
  ASSERT_EQ(e.sent.size(), 2u);
  EXPECT_EQ(e.sent[0]["error"]["code"], lsp::kRequestCancelled);
  EXPECT_TRUE(e.sent[1].contains("result"));
  // A cancel of a request already answered is a notification like any other.
  e.notify("$/cancelRequest", {{"id", 42}});
  EXPECT_EQ(e.sent.size(), 2u);
}

TEST(LanguageServer, EveryMalformedMessageGetsAnErrorAndTheServerGoesOn) {
  ScenarioFolder f;
  struct Case {
    const char* what;
    std::string body;
    int code;
    json id;
  };
  const Case cases[] = {
      {"no JSON", "{\"jsonrpc\": \"2.0\", \"id\": 1, ", lsp::kParseError, nullptr},
      {"bytes that are no UTF-8", "{\"method\": \"\xff\xfe\"}", lsp::kParseError, nullptr},
      {"an array", "[1, 2, 3]", lsp::kInvalidRequest, nullptr},
      {"a number", "7", lsp::kInvalidRequest, nullptr},
      {"a method that is no string", "{\"jsonrpc\":\"2.0\",\"id\":3,\"method\":5}", lsp::kInvalidRequest, 3},
      {"an id that is an object", "{\"jsonrpc\":\"2.0\",\"id\":{},\"method\":\"shutdown\"}", lsp::kInvalidRequest, nullptr},
      {"a request nested a million deep",
       "{\"jsonrpc\":\"2.0\",\"id\":8,\"method\":\"initialize\",\"params\":" +
           std::string(1000000, '[') + std::string(1000000, ']') + "}",
       lsp::kParseError, nullptr},
      {"an unknown method", "{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":\"textDocument/rename\"}", lsp::kMethodNotFound, 4},
      {"a hover without a position",
       "{\"jsonrpc\":\"2.0\",\"id\":\"h\",\"method\":\"textDocument/hover\",\"params\":{\"textDocument\":{\"uri\":\"" +
           f.train_uri + "\"}}}",
       lsp::kInvalidParams, "h"},
      {"a hover of a document that is not open",
       "{\"jsonrpc\":\"2.0\",\"id\":6,\"method\":\"textDocument/hover\",\"params\":{\"textDocument\":{\"uri\":\"file:///nowhere/X_1-.txt\"},\"position\":{\"line\":0,\"character\":0}}}",
       lsp::kInvalidParams, 6},
      {"a position that is a text",
       "{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"textDocument/completion\",\"params\":{\"textDocument\":{\"uri\":\"" +
           f.train_uri + "\"},\"position\":{\"line\":\"a\",\"character\":0}}}",
       lsp::kInvalidParams, 7},
  };
  Editor e;
  e.initialize();
  e.open(f.train_uri, builtin_train());
  for (const Case& c : cases) {
    e.sent.clear();
    e.server.handle(Frame{Frame::Kind::kMessage, c.body, {}}, lsp::NothingPending(),
                    [&](const json& j) { e.sent.push_back(j); });
    ASSERT_EQ(e.sent.size(), 1u) << c.what;
    EXPECT_EQ(e.sent[0]["error"]["code"], c.code) << c.what;
    EXPECT_EQ(e.sent[0]["id"], c.id) << c.what;
    // ... and the next request is answered.
    EXPECT_TRUE(e.request("textDocument/hover", Editor::at(f.train_uri, 1, 1)).contains("result")) << c.what;
  }
  // A broken frame is an error too; a notification nobody knows is passed over.
  e.sent.clear();
  e.server.handle(Frame{Frame::Kind::kBroken, {}, "no length"}, lsp::NothingPending(),
                  [&](const json& j) { e.sent.push_back(j); });
  e.notify("$/setTrace", {{"value", "off"}});
  e.notify("workspace/didChangeConfiguration", {{"settings", nullptr}});
  ASSERT_EQ(e.sent.size(), 1u);
  EXPECT_EQ(e.sent[0]["error"]["code"], lsp::kParseError);
}

TEST(LanguageServer, AnswersNothingBeforeInitializeAndEndsAsTheProtocolSays) {
  Editor e;
  EXPECT_EQ(e.request("textDocument/hover", Editor::at("file:///a/L_1-.txt", 0, 0))["error"]["code"],
            lsp::kServerNotInitialized);
  e.initialize();
  EXPECT_TRUE(e.request("shutdown", nullptr)["result"].is_null());
  EXPECT_EQ(e.request("textDocument/hover", Editor::at("file:///a/L_1-.txt", 0, 0))["error"]["code"],
            lsp::kInvalidRequest);
  EXPECT_FALSE(e.server.done());
  e.notify("exit", nullptr);
  EXPECT_TRUE(e.server.done());
  EXPECT_EQ(e.server.exit_status(), 0);

  Editor abrupt;
  abrupt.initialize();
  abrupt.notify("exit", nullptr);
  EXPECT_TRUE(abrupt.server.done());
  EXPECT_EQ(abrupt.server.exit_status(), 1);  // exit without shutdown
}

TEST(LanguageServer, ClosingAFileClearsItsDiagnostics) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  e.open(f.train_uri, replaced(builtin_train(), "segnale,    9900", "segnle,    9900"));
  e.notify("textDocument/didClose", {{"textDocument", {{"uri", f.train_uri}}}});
  EXPECT_EQ(e.diagnostics(f.train_uri), json::array());
}

TEST(LanguageServer, AnIncrementalChangeIsAppliedToTheText) {
  ScenarioFolder f;
  Editor e;
  e.initialize();
  const std::string text = builtin_train();
  e.open(f.train_uri, text);
  const size_t row = line_starting(text, "segnale,    9900");
  // "segnale" -> "segnle": the "a" at character 4 taken out.
  e.notify("textDocument/didChange",
           {{"textDocument", {{"uri", f.train_uri}, {"version", 2}}},
            {"contentChanges",
             {{{"range", {{"start", {{"line", row}, {"character", 4}}}, {"end", {{"line", row}, {"character", 5}}}}},
               {"text", ""}}}}});
  const json d = e.diagnostics(f.train_uri);
  ASSERT_EQ(codes(d), std::vector<std::string>{"unknown-key"});
  EXPECT_EQ(d[0]["range"]["start"]["line"], row);
}

}  // namespace
}  // namespace scenarioc::testing

namespace scenarioc::testing {
namespace {

// The loop with its reader thread: edits that come faster than they
// compile may skip compiles, but what is published last is always the
// newest text's result, and versions never go back.
TEST(LanguageServerLoop, TheLastPublishedResultIsTheNewestText) {
  ScenarioFolder f;
  const std::string clean = builtin_train();
  const std::string typo = replaced(clean, "segnale,    9900", "segnle,    9900");
  std::string input;
  const auto put = [&](const json& m) { input += lsp::framed(m.dump()); };
  put({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  put({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
       {"params", {{"textDocument", {{"uri", f.train_uri}, {"languageId", "scenario"}, {"version", 1}, {"text", clean}}}}}});
  const int kEdits = 12;
  for (int v = 2; v <= kEdits; ++v)
    put({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
         {"params", {{"textDocument", {{"uri", f.train_uri}, {"version", v}}},
                     {"contentChanges", {{{"text", v == kEdits ? typo : (v % 2 ? typo : clean)}}}}}}});
  put({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
  put({{"jsonrpc", "2.0"}, {"method", "exit"}});
  std::istringstream in(input);
  std::ostringstream out;
  EXPECT_EQ(lsp::serve(in, out, explain_texts(), "test", /*wait_for_input_end=*/true), 0);

  std::istringstream back(out.str());
  int64_t last_version = 0;
  json last;
  for (lsp::Frame fr; (fr = lsp::read_frame(back)).kind == lsp::Frame::Kind::kMessage;) {
    const json m = json::parse(fr.body);
    if (m.value("method", "") != "textDocument/publishDiagnostics" || m["params"]["uri"] != f.train_uri) continue;
    const int64_t v = m["params"]["version"];
    EXPECT_GE(v, last_version);
    last_version = v;
    last = m["params"]["diagnostics"];
  }
  EXPECT_EQ(last_version, kEdits);
  EXPECT_EQ(codes(last), std::vector<std::string>{"unknown-key"});
}

}  // namespace
}  // namespace scenarioc::testing
