// The pages `watch --serve` shows in the author's browser: the plot's page
// of the scenario as last compiled, with the current diagnostics above the
// drawing, each a link to its row in a view of its source; and a small
// script that loads the page again when the next compile is done (the
// server tells of it by server-sent events, numbering each compile).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"

namespace scenarioc {

// The two sources as the page names them in its links: /source/line and
// /source/train. Fixed paths, never taken from a request.
inline constexpr std::string_view kLineSourcePath = "/source/line";
inline constexpr std::string_view kTrainSourcePath = "/source/train";
inline constexpr std::string_view kEventsPath = "/events";

struct WatchState {
  uint64_t compile_number = 0;  // the page loads again when the server tells of another
  std::string time;             // "14:02:07", when the compile ran
  std::string summary;          // "compiled", "2 errors, 1 warning", ...
  std::vector<Diagnostic> diagnostics;
  std::string report;           // the text report, shown when there is no diagnostic to link
  std::string line_label, train_label;  // the sources as the author named them
};

// The plot's page (plot_html) with the diagnostics strip put after <body>
// and the reloading script before </body>. `drawing` empty: a page of the
// strip alone, saying `why_no_drawing`.
std::string watch_page(const WatchState& state, const std::string& drawing,
                       const std::string& why_no_drawing);

// The page shown before the first compile has ended: it says so, and loads
// again as soon as the server tells of that compile (number 1; 0 is none).
std::string waiting_page();

// One source as compiled, each row numbered and an anchor (#L12), the row a
// link points at marked. `text` is in the simulator's code page.
std::string source_page(const WatchState& state, std::string_view label, std::string_view text);

}  // namespace scenarioc
