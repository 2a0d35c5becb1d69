// scenarioc_manual: writes the manual page or a shell completion of
// scenarioc, made from its command table, for the build to install.
//   scenarioc_manual man|bash|zsh OUTPUT
#include <fstream>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/manual.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: scenarioc_manual man|bash|zsh OUTPUT\n";
    return 2;
  }
  const std::string what = argv[1];
  std::ofstream out(argv[2], std::ios::binary);
  if (what == "man") scenarioc::write_man_page(scenarioc::command_table(), SCENARIOC_VERSION, out);
  else if (what == "bash") scenarioc::write_bash_completion(scenarioc::command_table(), out);
  else if (what == "zsh") scenarioc::write_zsh_completion(scenarioc::command_table(), out);
  else {
    std::cerr << "scenarioc_manual: no such output '" << what << "'\n";
    return 2;
  }
  out.close();
  if (!out) {
    std::cerr << "scenarioc_manual: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
