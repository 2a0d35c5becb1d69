// A build without Xlib has no desktop window on X11: the console form serves.
#include "platform/window_x11.h"

namespace scenarioc {

std::unique_ptr<Window> open_x11_window(const char*) { return nullptr; }

}  // namespace scenarioc
