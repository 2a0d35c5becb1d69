// The desktop form of the window on Windows: "Form1" with its label, and a
// standard message box for a fatal report.
#pragma once

#include <memory>

#include "platform/window.h"

namespace scenarioc {

// Makes the window, not yet shown. Null when the system would not make it
// (no desktop to put it on).
std::unique_ptr<Window> open_win32_window();

}  // namespace scenarioc
