#include "platform/window_select.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "cli/run.h"

namespace scenarioc {
namespace {

TEST(ResolveAuto, ATerminalOrTheConsoleSwitchGiveTheConsole) {
  struct Case {
    bool terminal;
    const char* env;
    WindowChoice want;
  };
  const Case cases[] = {
      {false, nullptr, WindowChoice::kDesktop},
      {false, "", WindowChoice::kDesktop},
      {false, "desktop", WindowChoice::kDesktop},
      {false, "console", WindowChoice::kConsole},
      {true, nullptr, WindowChoice::kConsole},
      {true, "console", WindowChoice::kConsole},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(resolve_auto(c.terminal, c.env), c.want)
        << "terminal " << c.terminal << ", SCENARIOC_WINDOW " << (c.env ? c.env : "unset");
  }
}

TEST(MakeWindow, TheConsoleFormWritesTheLabelAndTheReport) {
  std::ostringstream out, err;
  auto w = make_window(WindowChoice::kConsole, out, err);
  ASSERT_NE(dynamic_cast<ConsoleWindow*>(w.get()), nullptr);
  w->show_label("Attendere");
  show_error_box(*w, 1250);
  EXPECT_EQ(out.str(), "Attendere\n");
  EXPECT_EQ(err.str(), " Errore n. 1250\n");
}

#ifndef _WIN32
// DISPLAY set or unset for one test, as it was afterwards.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(const char* value) {
    if (const char* old = std::getenv("DISPLAY")) old_ = old;
    if (value) setenv("DISPLAY", value, 1);
    else unsetenv("DISPLAY");
  }
  ~ScopedDisplay() {
    if (old_) setenv("DISPLAY", old_->c_str(), 1);
    else unsetenv("DISPLAY");
  }

 private:
  std::optional<std::string> old_;
};

TEST(MakeWindow, WithoutADisplayTheConsoleFormIsChosen) {
  // Unset, empty, and naming a display nobody serves.
  for (const char* display : {static_cast<const char*>(nullptr), "", ":97"}) {
    ScopedDisplay scoped(display);
    const char* name = display ? display : "unset";
    std::ostringstream out, err;
    auto automatic = make_window(WindowChoice::kAuto, out, err);
    EXPECT_NE(dynamic_cast<ConsoleWindow*>(automatic.get()), nullptr) << name;
    EXPECT_EQ(err.str(), "") << name;

    // Asked for by name, the desktop form falls back with one line of note.
    auto desktop = make_window(WindowChoice::kDesktop, out, err);
    EXPECT_NE(dynamic_cast<ConsoleWindow*>(desktop.get()), nullptr) << name;
    EXPECT_EQ(err.str(),
              "scenarioc: note: no display to show the window on; "
              "writing to the console instead\n")
        << name;
  }
}
#endif

}  // namespace
}  // namespace scenarioc
