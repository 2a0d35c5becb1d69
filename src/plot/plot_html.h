// The line diagram as one self-contained page: the drawing of plot_svg,
// and a small script with which the author zooms and pans the plan and the
// profile together and points at a station, signal or board to read its
// values. Nothing is fetched from anywhere.
#pragma once

#include <string>

#include "plot/plot_data.h"

namespace scenarioc {

std::string plot_html(const PlotData& d, const std::string& caption);

}  // namespace scenarioc
