// scenarioc: the scenario compiler. With no arguments it runs the built-in
// scenario in the program's own directory.
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  scenarioc::survive_closed_pipes();
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    return scenarioc::run_command_line(args, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::fputs("scenarioc: error: out of memory; the run ended there\n", stderr);
    return 2;
  }
}
