#include "cli/watch_command.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/author_compile.h"
#include "cli/plot_command.h"
#include "cli/plot_server.h"
#include "cli/report.h"
#include "cli/run.h"
#include "cli/watch_page.h"
#include "compiler/display_text.h"
#include "platform/file_io.h"
#include "platform/source_watch.h"

namespace scenarioc {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// An editor's save is a burst of changes (a temporary written, renamed over
// the source, its time set): the watch compiles once the files have been
// quiet this long, or after kLongestBurst whatever comes.
constexpr auto kSettle = 100ms;
constexpr auto kLongestBurst = 1000ms;
// A source that a rename-over took away is waited for this long before the
// compile reports it missing.
constexpr auto kAbsentWait = 2000ms;
// How often the watch looks whether it is asked to stop.
constexpr auto kStopLook = 200ms;

std::string clock_time() {
  const std::time_t now = std::time(nullptr);
  char text[16] = "";
  if (const std::tm* t = std::localtime(&now)) std::strftime(text, sizeof text, "%H:%M:%S", t);
  return text;
}

// The line above each report: the time, and which compile of the watch.
std::string separator(const std::string& time, int number) {
  return "---------------- " + time + "  compile " + std::to_string(number) +
         " ----------------\n";
}

std::optional<int> port_given(const std::string& value) {
  if (value.empty()) return 0;
  int port = -1;
  const char* end = value.data() + value.size();
  const auto [p, ec] = std::from_chars(value.data(), end, port);
  if (ec != std::errc() || p != end || port < 0 || port > 65535) return std::nullopt;
  return port;
}

std::string summary_of(int status, const std::vector<Diagnostic>& diagnostics) {
  int errors = 0, warnings = 0;
  for (const Diagnostic& d : diagnostics) (d.severity == Severity::kError ? errors : warnings)++;
  const std::string counts = summary_line(errors, warnings);
  switch (status) {
    case kExitSuccess:
      return counts.empty() ? "compiled" : "compiled, " + counts;
    case kExitRecordedFailures:
      return counts + "; see the report for what became of the compiled files";
    default:
      return (counts.empty() ? std::string("nothing compiled") : counts + "; nothing compiled") +
             ": the drawing is of the earlier compiled files";
  }
}

class Watch {
 public:
  Watch(const Arguments& a, IO& io, const WatchHooks& hooks, const GivenNames& names)
      : a_(a), io_(io), hooks_(hooks), names_(names) {}

  std::optional<PlotServer> server;

  // One compile with its report, and the page made again.
  void compile_round() {
    std::ostringstream out, err;
    IO sub{out, err};
    CompileSeen seen;
    const int status = compile_command(a_, true, sub, &seen);
    WatchRound round;
    round.number = ++rounds_;
    round.status = status;
    const std::string time = clock_time();
    // One stream for the whole report, so that it stays in order in a pipe
    // or a log as on the terminal.
    const std::string report = err.str() + out.str();
    round.printed = separator(time, round.number) + report;
    io_.out << round.printed << std::flush;
    if (sub.replaced) io_.replaced = true;
    if (server) publish(round, time, status, std::move(seen), report);
    if (hooks_.compiled) hooks_.compiled(round);
  }

  // Asked to stop, or the report can no longer be written (a closed pipe):
  // a watch nobody reads would go on compiling for nothing.
  bool stopping() const { return (hooks_.stop && hooks_.stop()) || !io_.out; }

 private:
  void publish(const WatchRound& round, const std::string& time, int status, CompileSeen seen,
               const std::string& report) {
    WatchState state;
    state.compile_number = static_cast<uint64_t>(round.number);
    state.time = time;
    state.summary = summary_of(status, seen.diagnostics);
    state.diagnostics = std::move(seen.diagnostics);
    state.report = report;
    state.line_label = a_.positional[0];
    state.train_label = a_.positional[1];
    PlotOptions o;
    o.dir = a_.value("--dir").value_or(".");
    o.line_name = names_.line;
    o.train_number = names_.train;
    std::ostringstream notes;
    std::string why;
    const std::optional<std::string> drawing = draw_scenario(o, true, notes, why);
    ServedPages pages;
    pages.compile_number = state.compile_number;
    pages.page = watch_page(state, drawing.value_or(""), "Nothing to draw yet: " + why);
    // A source the compile could not read keeps the view of its last text.
    if (!seen.line_text.empty() || last_line_.empty()) last_line_ = std::move(seen.line_text);
    if (!seen.train_text.empty() || last_train_.empty()) last_train_ = std::move(seen.train_text);
    pages.line_source = source_page(state, state.line_label, last_line_);
    pages.train_source = source_page(state, state.train_label, last_train_);
    server->publish(std::move(pages));
  }

  const Arguments& a_;
  IO& io_;
  const WatchHooks& hooks_;
  GivenNames names_;
  int rounds_ = 0;
  std::string last_line_, last_train_;
};

bool both_there(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  return fs::exists(a, ec1) && fs::exists(b, ec2);
}

}  // namespace

int watch_sources(const Arguments& a, IO& io, const WatchHooks& hooks) {
  const std::optional<GivenNames> names = given_scenario_names(a, io.err);
  if (!names) return kExitEndedEarly;
  std::optional<int> port;
  if (a.has("--serve")) {
    port = port_given(*a.value("--serve"));
    if (!port)
      return usage_error(io.err, "--serve takes a port from 0 to 65535 (0 or none: a free one), "
                                 "not '" + *a.value("--serve") + "'");
  }
  const fs::path line = a.positional[0], train = a.positional[1];
  Watch watch(a, io, hooks, *names);
  std::optional<SourceWatch> sources;
  try {
    sources.emplace(std::vector<fs::path>{line, train});
  } catch (const FileError& e) {
    return file_error(io.err, e);
  }
  if (port) {
    try {
      watch.server.emplace(*port);
    } catch (const ServeError& e) {
      report_fatal(io.err, e.what());
      return kExitEndedEarly;
    }
    io.out << "scenarioc: the drawing is at http://127.0.0.1:" << watch.server->port() << "/\n";
    if (hooks.serving) hooks.serving(watch.server->port());
  }
  io.out << "scenarioc: watching " << shown_utf8(line.string()) << " and "
         << shown_utf8(train.string()) << "; Ctrl-C ends the watch\n"
         << std::flush;

  watch.compile_round();
  while (!watch.stopping()) {
    if (!sources->wait_for_change(kStopLook)) continue;
    const auto burst = std::chrono::steady_clock::now();
    while (sources->wait_for_change(kSettle) && std::chrono::steady_clock::now() - burst < kLongestBurst) {
    }
    const auto absent = std::chrono::steady_clock::now();
    while (!both_there(line, train) && !watch.stopping() &&
           std::chrono::steady_clock::now() - absent < kAbsentWait)
      sources->wait_for_change(kSettle);
    if (watch.stopping()) break;
    watch.compile_round();
  }
  io.out << "scenarioc: the watch ended\n" << std::flush;
  // A report that could not be written is told by the command line's end.
  return kExitSuccess;
}

int watch_command(const Arguments& a, IO& io) {
  catch_interrupt();
  WatchHooks hooks;
  hooks.stop = [] { return stop_requested(); };
  return watch_sources(a, io, hooks);
}

}  // namespace scenarioc
