// The language server's answer to an edit of the largest scenario the
// format allows: from the didChange message (its JSON read, the whole text
// in it) to the published diagnostics of the train file and its line
// file, written out as JSON. An editor compiles on every keystroke, so this
// is the delay an author sees. Run with bench/run.sh --benchmark_filter=Lsp.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "largest_scenario.h"
#include "lsp/server.h"
#include "lsp/text_lines.h"
#include "model/file_names.h"

namespace scenarioc::bench {
namespace {

namespace fs = std::filesystem;
using lsp::json;

std::string message(const json& m) { return m.dump(); }

void LspDiagnosticsOfTheLargestScenarioAfterAChange(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("scenarioc-lsp-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string line_path = (dir / line_source_name(kLargestLine)).string();
  const std::string train_path = (dir / train_source_name(kLargestLine, kLargestTrain)).string();
  std::ofstream(line_path, std::ios::binary) << largest_line_source();
  const std::string train = largest_train_source();
  std::ofstream(train_path, std::ios::binary) << train;
  const std::string uri = lsp::uri_of_path(train_path);

  lsp::Server server({}, "bench");
  const lsp::NothingPending nothing;
  size_t published = 0, bytes = 0, typos_told = 0;
  const lsp::Server::Send send = [&](const json& m) {
    bytes += m.dump(-1, ' ', false, json::error_handler_t::replace).size();
    if (m.value("method", "") != "textDocument/publishDiagnostics") return;
    ++published;
    for (const json& d : m["params"]["diagnostics"]) typos_told += d.value("code", json()) == "unknown-key";
  };
  const auto handle = [&](const json& m) {
    server.handle({lsp::Frame::Kind::kMessage, message(m), {}}, nothing, send);
  };
  handle({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  handle({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", 1}, {"text", train}}}}}});
  // Two texts in turn, so that each change is a change: one with a typo in
  // the key of its last signal, which the diagnostics then name.
  std::string typo = train;
  typo.replace(typo.rfind("segnale"), 7, "segnle");
  std::string bodies[2];
  for (int i = 0; i < 2; ++i)
    bodies[i] = message({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
                         {"params", {{"textDocument", {{"uri", uri}, {"version", 2 + i}}},
                                     {"contentChanges", {{{"text", i == 0 ? typo : train}}}}}}});
  int n = 0;
  for (auto _ : state) {
    server.handle({lsp::Frame::Kind::kMessage, bodies[n++ % 2], {}}, nothing, send);
  }
  // Every other change names the typo: the compile really ran.
  if (typos_told * 2 < static_cast<size_t>(state.iterations()))
    state.SkipWithError("the diagnostics do not name the typo");
  state.counters["published"] = static_cast<double>(published);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (train.size())));
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(LspDiagnosticsOfTheLargestScenarioAfterAChange)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace scenarioc::bench

BENCHMARK_MAIN();
