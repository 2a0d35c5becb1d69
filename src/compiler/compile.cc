#include "compiler/compile.h"

#include "compiler/memorizza_dati.h"
#include "finishing/route_finishing.h"
#include "model/file_names.h"

namespace scenarioc {

CompileResult compile(SourceInput& sources, const CompileOptions& options) {
  CompileResult result;
  Scenario& s = result.scenario;
  s.line_name = options.line_name;
  s.train_number = options.train_number;
  s.build_line_plan = options.build_line_plan;
  s.error_code = 0;
  s.clear_scenario_table();
  memorizza_dati(s, sources);
  if (!s.route_created) return result;
  finish_route(s);
  result.closing_failure = closing_checks(s);
  return result;
}

CompileResult compile(std::string line_text, std::string train_text,
                      const CompileOptions& options) {
  TextSources sources(
      {line_source_name(options.line_name), std::move(line_text)},
      {train_source_name(options.line_name, options.train_number), std::move(train_text)});
  return compile(sources, options);
}

}  // namespace scenarioc
