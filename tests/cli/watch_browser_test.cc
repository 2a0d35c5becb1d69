// watch --serve as an author sees it: a real browser (headless Chromium,
// driven through its DevTools protocol on a pipe) shows the page, and the
// page follows the sources as they are saved: a station renamed in the
// train file is shown by its new name, a mistake by its diagnostic with a
// link to its row. Without Chromium the test skips.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/builtin_files.h"
#include "cli/watch_command.h"
#include "test_util.h"

namespace scenarioc {
namespace {

#ifndef _WIN32

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using json = nlohmann::json;
using testing::find_chromium;
using testing::spit;
using testing::TempDir;

// A hang guard: each wait ends as soon as the page shows what it waits for.
constexpr auto kDeadline = 20s;

// Chromium with its DevTools protocol on two pipes (it reads commands on
// its descriptor 3 and answers on 4, each message ended by a NUL), in a
// process group of its own that ends with the test.
class Browser {
 public:
  Browser(const fs::path& exe, const fs::path& profile) {
    int commands[2], answers[2];
    if (pipe(commands) != 0 || pipe(answers) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      dup2(commands[0], 3);
      dup2(answers[1], 4);
      const int null = ::open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      for (int fd = 5; fd < 1024; ++fd) close(fd);
      const std::string user_data = "--user-data-dir=" + profile.string();
      const char* argv[] = {exe.c_str(), "--headless", "--no-sandbox", "--disable-gpu",
                            "--disable-quic", "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync",
                            "--remote-debugging-pipe", user_data.c_str(), "about:blank", nullptr};
      execv(exe.c_str(), const_cast<char* const*>(argv));
      _exit(127);
    }
    close(commands[0]);
    close(answers[1]);
    to_ = commands[1];
    from_ = answers[0];
    if (pid_ > 0) setpgid(pid_, pid_);
  }
  ~Browser() {
    if (to_ >= 0) close(to_);
    if (from_ >= 0) close(from_);
    if (pid_ > 0) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Sends a command and returns its answer's result; an error (unless it
  // `may_fail`, as a script in a page that is being loaded again) or no
  // answer before the deadline fails the test and returns null.
  json call(const std::string& method, json params = json::object(), bool may_fail = false) {
    const int id = ++last_id_;
    json message = {{"id", id}, {"method", method}, {"params", std::move(params)}};
    if (!session_.empty()) message["sessionId"] = session_;
    const std::string text = message.dump() + '\0';
    if (write(to_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      ADD_FAILURE() << "the browser took no command " << method;
      return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < deadline) {
      const size_t end = buffer_.find('\0');
      if (end == std::string::npos) {
        if (!testing::append_available(from_, buffer_)) break;
        continue;
      }
      const json answer = json::parse(buffer_.substr(0, end), nullptr, false);
      buffer_.erase(0, end + 1);
      if (!answer.is_object() || answer.value("id", 0) != id) continue;  // events, others
      if (answer.contains("error")) {
        if (!may_fail) ADD_FAILURE() << method << ": " << answer["error"].dump();
        return nullptr;
      }
      return answer.value("result", json::object());
    }
    ADD_FAILURE() << "no answer to " << method;
    return nullptr;
  }

  // Opens `url` in a new tab, whose commands the next calls are.
  bool open(const std::string& url) {
    const json target = call("Target.createTarget", {{"url", url}});
    if (target.is_null()) return false;
    const json attached =
        call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}});
    if (attached.is_null()) return false;
    session_ = attached["sessionId"].get<std::string>();
    return true;
  }

  // The value of a script run in the page.
  json evaluate(const std::string& expression, bool may_fail = false) {
    const json r = call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}},
                        may_fail);
    if (r.is_null() || !r.contains("result")) return nullptr;
    return r["result"].value("value", json());
  }

  std::string text() {
    const json t = evaluate("document.body ? document.body.innerText : ''", true);
    return t.is_string() ? t.get<std::string>() : "";
  }

  bool started() const { return pid_ > 0 && to_ >= 0; }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
  int last_id_ = 0;
  std::string buffer_, session_;
};

std::string first_station_renamed(const std::string& train, const std::string& name) {
  const size_t row = train.find("stazione");
  const size_t end = train.find_first_of("\r\n", row);
  return train.substr(0, train.rfind(',', end) + 1) + " " + name + train.substr(end);
}

// The 1-based row of the first station.
int first_station_row(const std::string& train) {
  const size_t row = train.find("stazione");
  int n = 1;
  for (size_t i = 0; i < row; ++i) n += train[i] == '\n' ? 1 : 0;
  return n;
}

class WatchInBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    chromium_ = find_chromium();
    if (chromium_.empty()) GTEST_SKIP() << "no Chromium to show the page in";
    const std::vector<TextFile> files = builtin_text_files("Valdena", "704");
    line_ = sources_ / files[0].name;
    train_ = sources_ / files[1].name;
    train_text_ = files[1].bytes;
    spit(line_, files[0].bytes);
    spit(train_, train_text_);
    args_.positional = {line_.string(), train_.string()};
    args_.options["--dir"] = out_.path().string();
    args_.options["--serve"] = "";
    hooks_.stop = [this] { return stop_.load(); };
    hooks_.serving = [this](int port) {
      std::lock_guard<std::mutex> lock(mutex_);
      port_ = port;
      changed_.notify_all();
    };
    watch_ = std::thread([this] {
      std::ostringstream out, err;
      IO io{out, err};
      watch_sources(args_, io, hooks_);
    });
    std::unique_lock<std::mutex> lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, kDeadline, [this] { return port_ > 0; }));
  }
  void TearDown() override {
    stop_ = true;
    if (watch_.joinable()) watch_.join();
  }

  // How long the page took to show what `shows` looks for; fails the test
  // when it never did.
  std::chrono::milliseconds wait_for(Browser& b, const std::string& what,
                                     const std::function<bool(const std::string&)>& shows) {
    const auto from = std::chrono::steady_clock::now();
    std::string text;
    while (std::chrono::steady_clock::now() - from < kDeadline) {
      text = b.text();
      if (shows(text)) break;
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(shows(text)) << "the page never showed " << what << "; it shows:\n" << text;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 from);
  }

  // The strip above the drawing shows before the page's script has run.
  void wait_for_its_script(Browser& b) {
    const auto from = std::chrono::steady_clock::now();
    while (b.evaluate("document.readyState", true) != "complete" &&
           std::chrono::steady_clock::now() - from < kDeadline)
      std::this_thread::sleep_for(20ms);
  }

  fs::path chromium_, line_, train_;
  TempDir sources_, out_, profile_;
  std::string train_text_;
  Arguments args_;
  WatchHooks hooks_;
  std::thread watch_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  int port_ = 0;
};

TEST_F(WatchInBrowser, ThePageFollowsTheSavedSources) {
  Browser browser(chromium_, profile_.path());
  ASSERT_TRUE(browser.started());
  ASSERT_TRUE(browser.open("http://127.0.0.1:" + std::to_string(port_) + "/"));
  wait_for(browser, "the drawing of the first compile",
           [](const std::string& t) { return t.find("compiled") != std::string::npos; });
  EXPECT_TRUE(browser.evaluate("document.querySelector('#drawing svg') !== null").get<bool>());

  // The author zooms the profile on a stretch, as with the mouse wheel.
  wait_for_its_script(browser);
  browser.evaluate(
      "(function () {"
      "  var svg = document.getElementById('line-plot'), lane = svg.querySelector('#profile .frame');"
      "  var r = lane.getBoundingClientRect(), x = r.left + r.width * 0.4, y = (r.top + r.bottom) / 2;"
      "  for (var i = 0; i < 6; i++) svg.dispatchEvent(new WheelEvent('wheel',"
      "      { deltaY: -300, clientX: x, clientY: y, bubbles: true, cancelable: true }));"
      "})()");
  std::string stretch;
  for (auto from = std::chrono::steady_clock::now();
       stretch.empty() && std::chrono::steady_clock::now() - from < kDeadline;
       std::this_thread::sleep_for(20ms))
    stretch = browser.evaluate("location.hash").get<std::string>();
  ASSERT_FALSE(stretch.empty()) << "the zoomed stretch is not in the page's address";
  const std::string axis_expression = "document.getElementById('distance-axis').textContent";
  const std::string zoomed_axis = browser.evaluate(axis_expression).get<std::string>();

  spit(train_, first_station_renamed(train_text_, "Pianorotto"));
  const auto renamed = wait_for(browser, "the station's new name", [](const std::string& t) {
    return t.find("Pianorotto") != std::string::npos;
  });
  // The page drawn again after the save still shows the stretch zoomed on.
  wait_for_its_script(browser);
  EXPECT_EQ(browser.evaluate("location.hash").get<std::string>(), stretch);
  EXPECT_EQ(browser.evaluate(axis_expression).get<std::string>(), zoomed_axis);
  // A figure for the report, not a limit: the test waits on the page.
  std::cout << "the page showed the new name " << renamed.count() << " ms after the save\n";

  const std::string broken = "stazione, not a number";
  std::string text = train_text_;
  const size_t row = text.find("stazione");
  text.replace(row, text.find_first_of("\r\n", row) - row, broken);
  spit(train_, text);
  const std::string at = train_.string() + ":" + std::to_string(first_station_row(train_text_));
  wait_for(browser, "the diagnostic at " + at,
           [&](const std::string& t) { return t.find(at) != std::string::npos; });
  // The diagnostic links to its row in the view of the train file.
  const std::string link = "/source/train#L" + std::to_string(first_station_row(train_text_));
  EXPECT_TRUE(browser.evaluate("document.querySelector('#watch-diagnostics a[href=\"" + link +
                               "\"]') !== null")
                  .get<bool>())
      << link;
  browser.evaluate("location.href = '" + link + "'", true);
  wait_for(browser, "the train file's view", [&](const std::string& t) {
    return t.find(" as compiled at ") != std::string::npos && t.find(broken) != std::string::npos;
  });
  EXPECT_TRUE(browser.evaluate("document.querySelector(':target') !== null && "
                               "document.querySelector(':target').textContent.indexOf('" +
                               broken + "') >= 0")
                  .get<bool>());
}

#endif

}  // namespace
}  // namespace scenarioc
