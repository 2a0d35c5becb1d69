// A language server driven message by message, as an editor would drive
// it, with the texts of `explain` behind its hovers; and a scenario folder
// holding the built-in line and train files.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "cli/lsp_command.h"
#include "lsp/server.h"
#include "lsp/text_lines.h"
#include "test_util.h"

namespace scenarioc::testing {

using lsp::json;

inline lsp::ReferenceTexts explain_texts() { return reference_texts(); }

inline std::string builtin_line() { return text_file_bytes(line_source_table()); }
inline std::string builtin_train() { return text_file_bytes(train_source_table()); }

// `text` with the first `from` replaced by `to`.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The 0-based line of the first line of `text` that starts with `start`.
inline size_t line_starting(const std::string& text, const std::string& start) {
  const lsp::TextLines lines(text);
  for (size_t n = 0; n < lines.count(); ++n)
    if (lines.line(n).substr(0, start.size()) == start) return n;
  return SIZE_MAX;
}

class Editor {
 public:
  lsp::Server server{explain_texts(), "test"};
  std::vector<json> sent;
  int next_id = 1;

  void feed(const json& m, const lsp::PendingInput& pending) {
    lsp::Frame f{lsp::Frame::Kind::kMessage, m.dump(), {}};
    server.handle(f, pending, [&](const json& j) { sent.push_back(j); });
  }
  void feed(const json& m) { feed(m, lsp::NothingPending()); }
  void notify(const std::string& method, json params) {
    feed({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
  }
  // The response to a request, or null when none came.
  json request(const std::string& method, json params) {
    const int id = next_id++;
    feed({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
    for (const json& m : sent)
      if (m.contains("id") && m["id"] == id) return m;
    return nullptr;
  }
  void initialize(bool snippets = true) {
    request("initialize",
            {{"capabilities",
              {{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", snippets}}}}}}}}}});
    notify("initialized", json::object());
  }
  void open(const std::string& uri, const std::string& text, int version = 1) {
    notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", version}, {"text", text}}}});
  }
  void change(const std::string& uri, const std::string& text, int version) {
    notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}},},
                                      {"contentChanges", {{{"text", text}}}}});
  }
  // The diagnostics last published for `uri`; null when none were.
  json diagnostics(const std::string& uri) const {
    json last = nullptr;
    for (const json& m : sent)
      if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
        last = m["params"]["diagnostics"];
    return last;
  }
  int publications() const {
    int n = 0;
    for (const json& m : sent) n += m.value("method", "") == "textDocument/publishDiagnostics";
    return n;
  }
  static json at(const std::string& uri, size_t line, size_t character) {
    return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}};
  }
};

// A folder with the built-in scenario's two sources as Valdena_linea.txt
// and Valdena_704-.txt.
struct ScenarioFolder {
  TempDir dir;
  std::string line_path = (dir / "Valdena_linea.txt").string();
  std::string train_path = (dir / "Valdena_704-.txt").string();
  std::string line_uri = lsp::uri_of_path(line_path);
  std::string train_uri = lsp::uri_of_path(train_path);
  ScenarioFolder(bool line_on_disk = true, bool train_on_disk = true) {
    if (line_on_disk) spit(line_path, builtin_line());
    if (train_on_disk) spit(train_path, builtin_train());
  }
};

}  // namespace scenarioc::testing
