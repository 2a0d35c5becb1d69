// The desktop form of the window on X11: "Form1" with its label, and the
// message box of a fatal report, modal until the user closes it.
#pragma once

#include <memory>

#include "platform/window.h"

namespace scenarioc {

// Connects to the display named `display_name` (DISPLAY when null) and makes
// the window, not yet shown. Null when no display can be reached, so that a
// run never waits for a click that cannot come.
std::unique_ptr<Window> open_x11_window(const char* display_name = nullptr);

}  // namespace scenarioc
