// The page's style and script are the repository's files, built in as they
// stand: an edit to plot_page.js is what the next page runs.
#include "plot/plot_html.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "plot/plot_fixture.h"
#include "test_util.h"

namespace scenarioc {
namespace {

TEST(PlotPage, CarriesTheStyleAndScriptFilesOfTheRepository) {
  const std::filesystem::path dir = std::filesystem::path(SCENARIOC_SOURCE_DIR) / "src" / "plot";
  const std::string page =
      plot_html(plot_data(testing::decoded_builtin_scenario().route,
                          testing::decoded_builtin_scenario().rows,
                          &testing::decoded_builtin_scenario().plan, {}),
                "");
  const std::string style = testing::slurp(dir / "plot_page.css");
  const std::string script = testing::slurp(dir / "plot_page.js");
  ASSERT_FALSE(style.empty());
  ASSERT_FALSE(script.empty());
  EXPECT_NE(page.find("<style>" + style + "</style>"), std::string::npos);
  EXPECT_NE(page.find("<script>" + script + "</script>"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
