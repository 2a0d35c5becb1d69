#include "platform/window_select.h"

#include <cstdlib>
#include <ostream>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#include "platform/window_win32.h"
#else
#include <unistd.h>
#include "platform/window_x11.h"
#endif

namespace scenarioc {

namespace {

bool on_terminal() {
#ifdef _WIN32
  return _isatty(0) || _isatty(1);
#else
  return isatty(0) || isatty(1);
#endif
}

// The desktop form, or null when there is no display to put it on.
std::unique_ptr<Window> open_desktop_window() {
#ifdef _WIN32
  return open_win32_window();
#else
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return nullptr;
  return open_x11_window(display);
#endif
}

}  // namespace

WindowChoice resolve_auto(bool terminal, const char* scenarioc_window) {
  if (terminal) return WindowChoice::kConsole;
  if (scenarioc_window && std::string_view(scenarioc_window) == "console")
    return WindowChoice::kConsole;
  return WindowChoice::kDesktop;
}

std::unique_ptr<Window> make_window(WindowChoice choice, std::ostream& out,
                                    std::ostream& err) {
  const bool asked = choice == WindowChoice::kDesktop;
  if (choice == WindowChoice::kAuto)
    choice = resolve_auto(on_terminal(), std::getenv("SCENARIOC_WINDOW"));
  if (choice == WindowChoice::kDesktop) {
    if (std::unique_ptr<Window> w = open_desktop_window()) return w;
    if (asked)
      err << "scenarioc: note: no display to show the window on; "
             "writing to the console instead\n";
  }
  return std::make_unique<ConsoleWindow>(out, err);
}

}  // namespace scenarioc
