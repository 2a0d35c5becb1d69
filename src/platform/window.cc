#include "platform/window.h"

#include <ostream>

namespace scenarioc {

void ConsoleWindow::show_label(std::string_view text) {
  out_ << text << '\n' << std::flush;
}

void ConsoleWindow::message_box(std::string_view text) {
  err_ << text << '\n' << std::flush;
}

}  // namespace scenarioc
