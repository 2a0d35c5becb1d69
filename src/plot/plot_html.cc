#include "plot/plot_html.h"

#include "plot/page_assets.h"
#include "plot/plot_svg.h"

namespace scenarioc {
namespace {

// Text for inside a <script> element: never a closing tag.
std::string script_safe(std::string s) {
  for (size_t at = s.find("</"); at != std::string::npos; at = s.find("</", at + 3))
    s.replace(at, 2, "<\\/");
  return s;
}

std::string html_escape(const std::string& t) {
  std::string out;
  for (char c : t) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

}  // namespace

std::string plot_html(const PlotData& d, const std::string& caption) {
  const PlotDrawing drawing = plot_drawing(d, caption, true);
  std::string title = "Line " + d.line_name;
  if (!d.train_number.empty()) title += " \xC2\xB7 train " + d.train_number;
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  page += "<title>" + html_escape(title) + "</title>\n<style>" + kPageStyle + "</style>\n</head>\n";
  page += "<body>\n<header><button id=\"reset\" type=\"button\">Whole stretch</button>"
          "<span>Wheel: zoom \xC2\xB7 drag: pan \xC2\xB7 double-click: back to the whole stretch "
          "\xC2\xB7 point at a station, signal or board for its values</span>"
          "<span id=\"readout\"></span></header>\n";
  page += "<div id=\"drawing\">\n" + drawing.svg + "</div>\n<div id=\"tip\" role=\"tooltip\"></div>\n";
  page += "<script type=\"application/json\" id=\"plot-data\">" + script_safe(drawing.data) +
          "</script>\n";
  page += "<script>" + std::string(kPageScript) + "</script>\n</body>\n</html>\n";
  return page;
}

}  // namespace scenarioc
