// The style and the script of the plot's page. They are kept as the real
// files plot_page.css and plot_page.js beside this header, where an editor
// and a linter read them, and built into the program (cmake/embed_text.cmake
// turns them into a generated source): a page carries them whole and
// fetches nothing.
#pragma once

namespace scenarioc {

extern const char kPageStyle[];   // plot_page.css
extern const char kPageScript[];  // plot_page.js

}  // namespace scenarioc
