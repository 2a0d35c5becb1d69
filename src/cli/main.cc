// scenarioc: the scenario compiler. With no arguments it runs the built-in
// scenario in the program's own directory.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return scenarioc::run_command_line(args, std::cout, std::cerr);
}
