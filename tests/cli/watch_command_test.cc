// The watch: a compile at the start and one for each save, however the
// editor saves; each report after a line with the time; the compiled files
// written as compile writes them, the earlier set kept after an error.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/builtin_files.h"
#include "cli/watch_command.h"
#include "cli/watch_page.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::slurp;
using testing::spit;
using testing::TempDir;

// A hang guard, not a measure: every wait ends as soon as its compile is done.
constexpr auto kDeadline = 20s;

// The built-in train file with its first station renamed.
std::string renamed_first_station(const std::string& train, const std::string& name) {
  const size_t row = train.find("stazione");
  const size_t end = train.find_first_of("\r\n", row);
  const size_t last_comma = train.rfind(',', end);
  return train.substr(0, last_comma + 1) + " " + name + train.substr(end);
}

// The built-in train file with a mistake in its first station's row.
std::string broken(const std::string& train) {
  const size_t row = train.find("stazione");
  const size_t end = train.find_first_of("\r\n", row);
  return train.substr(0, row) + "stazione, not a number" + train.substr(end);
}

class WatchLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<TextFile> files = builtin_text_files("Valdena", "704");
    line_ = sources_ / files[0].name;
    train_ = sources_ / files[1].name;
    spit(line_, files[0].bytes);
    spit(train_, files[1].bytes);
    train_text_ = files[1].bytes;
    args_.positional = {line_.string(), train_.string()};
    args_.options["--dir"] = out_.path().string();
  }
  void TearDown() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  void start() {
    hooks_.stop = [this] { return stop_.load(); };
    hooks_.compiled = [this](const WatchRound& r) {
      std::lock_guard<std::mutex> lock(mutex_);
      rounds_.push_back(r);
      done_.notify_all();
    };
    thread_ = std::thread([this] {
      IO io{out_text_, err_text_};
      status_ = watch_sources(args_, io, hooks_);
    });
  }

  // The compile numbered `n`; fails the test when it never comes.
  WatchRound round(size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_.wait_for(lock, kDeadline, [&] { return rounds_.size() >= n; })) {
      ADD_FAILURE() << "no compile " << n << " came";
      return {};
    }
    return rounds_[n - 1];
  }

  fs::path timetable() const { return out_ / "Valdena_704.sim"; }

  TempDir sources_, out_;
  fs::path line_, train_;
  std::string train_text_;
  Arguments args_;
  WatchHooks hooks_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<WatchRound> rounds_;
  std::ostringstream out_text_, err_text_;
  int status_ = -1;
};

TEST_F(WatchLoop, ASaveIsCompiledOnceWithItsTimeAndReport) {
  start();
  const WatchRound first = round(1);
  EXPECT_EQ(first.status, 0) << first.printed;
  ASSERT_TRUE(fs::exists(timetable()));
  spit(train_, renamed_first_station(train_text_, "Pianorotto"));
  const WatchRound second = round(2);
  EXPECT_EQ(second.status, 0) << second.printed;
  EXPECT_NE(slurp(timetable()).find("Pianorotto"), std::string::npos);
  for (const WatchRound& r : {first, second}) {
    // The separator names the time and the compile; the report follows it.
    EXPECT_TRUE(std::regex_search(
        r.printed, std::regex("^-+ [0-2][0-9]:[0-5][0-9]:[0-6][0-9]  compile " +
                              std::to_string(r.number) + " -+\n")))
        << r.printed;
    EXPECT_NE(r.printed.find("Valdena: "), std::string::npos) << r.printed;
  }
  stop_ = true;
  thread_.join();
  EXPECT_EQ(status_, 0);
  EXPECT_NE(out_text_.str().find("Ctrl-C ends the watch"), std::string::npos);
  EXPECT_NE(out_text_.str().find("the watch ended"), std::string::npos);
}

// An editor's save as a burst: a temporary written, the source removed and
// the temporary renamed into its place, its text set once more. One compile
// of the last text, and the moment without the source is no error.
TEST_F(WatchLoop, ABurstOfWritesIsOneCompile) {
  start();
  round(1);
  const fs::path temporary = sources_ / ".Valdena_704-.txt.swp";
  spit(temporary, renamed_first_station(train_text_, "Primo"));
  fs::remove(train_);
  std::this_thread::sleep_for(30ms);
  fs::rename(temporary, train_);
  std::this_thread::sleep_for(30ms);
  spit(train_, renamed_first_station(train_text_, "Secondo"));
  const WatchRound burst = round(2);
  EXPECT_EQ(burst.status, 0) << burst.printed;
  EXPECT_EQ(burst.printed.find("no such file"), std::string::npos) << burst.printed;
  EXPECT_NE(slurp(timetable()).find("Secondo"), std::string::npos);
  // The next save is the next compile: the burst made no second one.
  spit(train_, renamed_first_station(train_text_, "Terzo"));
  round(3);
  EXPECT_NE(slurp(timetable()).find("Terzo"), std::string::npos);
  std::lock_guard<std::mutex> lock(mutex_);
  EXPECT_EQ(rounds_.size(), 3u);
}

TEST_F(WatchLoop, AnErrorKeepsTheEarlierSetAndTheWatchGoesOn) {
  start();
  round(1);
  const std::string before = slurp(timetable());
  spit(train_, broken(train_text_));
  const WatchRound failed = round(2);
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.printed.find("error"), std::string::npos) << failed.printed;
  EXPECT_NE(failed.printed.find("the earlier ones are kept"), std::string::npos) << failed.printed;
  EXPECT_EQ(slurp(timetable()), before);
  spit(train_, renamed_first_station(train_text_, "Riparato"));
  EXPECT_EQ(round(3).status, 0);
  EXPECT_NE(slurp(timetable()).find("Riparato"), std::string::npos);
}

TEST(WatchCommand, ABadStartEndsAtOnceWithStatus2) {
  TempDir dir;
  struct Case {
    const char* what;
    std::vector<std::string> positional;
    std::string serve;  // the value of --serve, or "none"
    const char* said;
  } cases[] = {
      {"names that cannot be told", {"a.txt", "b.txt"}, "none", "cannot tell the line name"},
      {"a port that is no port", {"A_linea.txt", "A_1-.txt"}, "http", "--serve takes a port"},
      {"a port too large", {"A_linea.txt", "A_1-.txt"}, "65536", "--serve takes a port"},
      {"a folder that is not there", {"nowhere/A_linea.txt", "nowhere/A_1-.txt"}, "none",
       "nowhere"},
  };
  for (const Case& c : cases) {
    Arguments a;
    for (const std::string& p : c.positional) a.positional.push_back((dir.path() / p).string());
    if (std::string(c.serve) != "none") a.options["--serve"] = c.serve;
    std::ostringstream out, err;
    IO io{out, err};
    WatchHooks hooks;
    hooks.stop = [] { return true; };
    EXPECT_EQ(watch_sources(a, io, hooks), 2) << c.what;
    EXPECT_NE(err.str().find(c.said), std::string::npos) << c.what << ": " << err.str();
  }
}

// The page's strip: each diagnostic of a source's row links to that row in
// the view of its source; a message's own text is never markup.
TEST(WatchPage, DiagnosticsLinkToTheirRowsAboveTheDrawing) {
  WatchState s;
  s.compile_number = 7;
  s.time = "12:00:00";
  s.summary = "1 error, 1 warning";
  s.line_label = "dir/A_linea.txt";
  s.train_label = "dir/A_1-.txt";
  Diagnostic error;
  error.failure.code = 25;
  error.failure.message = "a <b>bold</b> & wrong value";
  error.failure.where = SourceLocation{"dir/A_1-.txt", 12, 5, "stazione, x", 1, false};
  Diagnostic warning;
  warning.severity = Severity::kWarning;
  warning.warning = "unknown-key";
  warning.failure.message = "no such key";
  warning.failure.where = SourceLocation{"dir/A_linea.txt", 3, 1, "curvaa, 1", 1, false};
  s.diagnostics = {error, warning};
  const std::string drawing =
      "<!DOCTYPE html>\n<html>\n<head></head>\n<body class=\"plot\">\n<header>h</header>\n"
      "<div id=\"drawing\"></div>\n</body>\n</html>\n";
  const std::string page = watch_page(s, drawing, "");
  const size_t strip = page.find("<section id=\"watch-diagnostics\"");
  ASSERT_NE(strip, std::string::npos);
  EXPECT_GT(strip, page.find("<body class=\"plot\">"));
  EXPECT_LT(strip, page.find("<header>h</header>"));
  EXPECT_NE(page.find("<a href=\"/source/train#L12\">dir/A_1-.txt:12:5: error 25:"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<a href=\"/source/line#L3\">dir/A_linea.txt:3:1: warning"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<b>bold"), std::string::npos);
  EXPECT_NE(page.find("&lt;b&gt;bold&lt;/b&gt; &amp; wrong"), std::string::npos);
  // The script that loads the page again comes after the drawing's own.
  const size_t script = page.find("new EventSource('/events')");
  EXPECT_GT(script, page.find("<div id=\"drawing\">"));
  EXPECT_LT(script, page.find("</body>"));
  EXPECT_NE(page.find("var shown = '7'"), std::string::npos);

  const std::string none = watch_page(s, "", "no compiled scenario in dir");
  EXPECT_NE(none.find("no compiled scenario in dir"), std::string::npos);
  EXPECT_NE(none.find("watch-diagnostics"), std::string::npos);
}

TEST(WatchPage, TheSourceViewNumbersEveryRowAndShowsNoByteRaw) {
  WatchState s;
  s.time = "12:00:00";
  const std::string view =
      source_page(s, "A_1-.txt", "[stazioni]\r\nstazione, 0, <x>\x1b\r\n\r\nend");
  EXPECT_NE(view.find("<span id=\"L1\"><a href=\"#L1\">1</a>[stazioni]</span>"), std::string::npos)
      << view;
  EXPECT_NE(view.find("id=\"L2\""), std::string::npos);
  EXPECT_NE(view.find("id=\"L4\""), std::string::npos);
  EXPECT_EQ(view.find("id=\"L5\""), std::string::npos);
  EXPECT_NE(view.find("&lt;x&gt;"), std::string::npos);
  EXPECT_EQ(view.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
