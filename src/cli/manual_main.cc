// scenarioc_manual: writes the manual page or a shell completion of
// scenarioc, made from its command table, for the build to install; or
// puts the keyword and value tables, made from the keyword table, into the
// format guide in place (the build's target update-format-guide).
//   scenarioc_manual man|bash|zsh OUTPUT
//   scenarioc_manual guide docs/format.md
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "reference/format_guide.h"
#include "reference/manual.h"

namespace {

int update_guide(const char* path) {
  std::string doc;
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
      std::cerr << "scenarioc_manual: cannot read " << path << '\n';
      return 1;
    }
    doc = text.str();
  }
  std::string missing;
  const std::optional<std::string> updated = scenarioc::with_generated_tables(doc, missing);
  if (!updated) {
    std::cerr << "scenarioc_manual: " << path << " lacks the markers of the table " << missing
              << " (<!-- " << missing << ":begin --> and <!-- " << missing << ":end -->)\n";
    return 1;
  }
  if (*updated == doc) return 0;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << *updated;
  out.close();
  if (!out) {
    std::cerr << "scenarioc_manual: cannot write " << path << '\n';
    return 1;
  }
  std::cout << "scenarioc_manual: the tables of " << path << " made anew\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: scenarioc_manual man|bash|zsh OUTPUT, or scenarioc_manual guide FILE\n";
    return 2;
  }
  const std::string what = argv[1];
  if (what == "guide") return update_guide(argv[2]);
  std::ofstream out(argv[2], std::ios::binary);
  if (what == "man") scenarioc::write_man_page(scenarioc::command_descriptions(), SCENARIOC_VERSION, out);
  else if (what == "bash") scenarioc::write_bash_completion(scenarioc::command_descriptions(), out);
  else if (what == "zsh") scenarioc::write_zsh_completion(scenarioc::command_descriptions(), out);
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
