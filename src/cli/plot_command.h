// `scenarioc plot`: a line diagram of a compiled scenario, drawn from its
// three compiled files, as an SVG picture or a self-contained page.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "plot/plot_data.h"

namespace scenarioc {

struct PlotOptions {
  std::filesystem::path dir;  // where the compiled files are; "" is here
  std::optional<std::string> line_name, train_number;
  std::filesystem::path output;  // .svg draws a picture, .html a page
  PlotRange range;
};

// Takes the options of "plot". Returns what is wrong with them, or "".
std::string plot_options(const Arguments& args, PlotOptions& o);

// The drawing of the compiled scenario in `o.dir`: a page (plot_html) or a
// picture (plot_svg), written nowhere; notes go to `err`. Without one,
// `error` says why in one line.
std::optional<std::string> draw_scenario(const PlotOptions& o, bool page, std::ostream& err,
                                         std::string& error);

// Draws the scenario and writes the file. Exit status 0, or 2 with a
// one-line error when there is nothing to draw from (no compiled scenario,
// files that are damaged or do not belong together) or the file cannot be
// written.
int plot_command(const PlotOptions& o, std::ostream& out, std::ostream& err);

}  // namespace scenarioc
