// The window of the compiler: a label shown while it works, and the message
// box of a fatal report. The console form stands in where there is no
// desktop: the label goes to standard output, the message to standard error.
#pragma once

#include <iosfwd>
#include <string_view>

namespace scenarioc {

class Window {
 public:
  virtual ~Window() = default;
  virtual void show_label(std::string_view text) = 0;
  // Modal: returns once the user has closed it.
  virtual void message_box(std::string_view text) = 0;
};

class ConsoleWindow : public Window {
 public:
  ConsoleWindow(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  void show_label(std::string_view text) override;
  void message_box(std::string_view text) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace scenarioc
