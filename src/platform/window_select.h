// Which form of the window a run gets. On a desktop the program shows its
// window; started from a terminal, or with no display, it writes to the
// console instead, so that nothing ever waits for a click that cannot come.
#pragma once

#include <iosfwd>
#include <memory>

#include "platform/window.h"

namespace scenarioc {

enum class WindowChoice {
  kAuto,     // the desktop form when a display is there and no terminal
  kConsole,  // --console
  kDesktop,  // --window: the desktop form whenever a display can be reached
};

// The form kAuto stands for: kConsole when the program was started from a
// terminal (standard input or output is one) or when SCENARIOC_WINDOW is
// "console", kDesktop otherwise. The display itself is tried only later.
WindowChoice resolve_auto(bool on_terminal, const char* scenarioc_window);

// The window of a run. A desktop form that cannot be had (no display, or a
// build without one) falls back to the console form; when it was asked for
// by name, a one-line note on `err` says so.
std::unique_ptr<Window> make_window(WindowChoice choice, std::ostream& out,
                                    std::ostream& err);

}  // namespace scenarioc
