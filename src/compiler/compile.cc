#include "compiler/compile.h"

#include <optional>

#include "compiler/item_reader.h"
#include "compiler/meaning_checks.h"
#include "compiler/parse_sources.h"
#include "compiler/route_cell.h"
#include "finishing/route_finishing.h"
#include "model/error_codes.h"
#include "model/file_names.h"

namespace scenarioc {
namespace {

// The source row behind the occupant of cell c, named as a place in its file.
std::optional<SourceLocation> row_location(const Scenario& s, const ParseContext& ctx,
                                           SourceInput& sources, int64_t c) {
  const SourceRow* row = s.origins.row_of(c);
  if (!row) return std::nullopt;
  const size_t file = row->file == 0 ? 0 : 1;
  if (!ctx.opened[file]) return std::nullopt;
  const SourceRole role = file == 0 ? SourceRole::kLine : SourceRole::kTrain;
  return locate(ctx.texts[file], sources.label(role), row->offset, row->line);
}

// A failure of the finishing pass names rows by their cells; here, with the
// sources at hand, they become places in the files.
void name_rows(Failure& f, const Scenario& s, const ParseContext& ctx, SourceInput& sources) {
  if (!f.where && f.row_of_cell >= 0) f.where = row_location(s, ctx, sources, f.row_of_cell);
  std::vector<Note> kept;
  for (Note& n : f.notes) {
    if (!n.where && n.row_of_cell >= 0) {
      n.where = row_location(s, ctx, sources, n.row_of_cell);
      if (!n.where) continue;  // a row that cannot be named is no note
    }
    kept.push_back(std::move(n));
  }
  f.notes = std::move(kept);
}

// What stands in cell 1 where the route's marker belongs, in words.
std::string occupant_of_first_cell(const Scenario& s) {
  const RouteCell& first = s.route[1];
  const SourceRow* row = s.origins.row_of(1);
  if (s.origins.placed(1))
    return "a braking point the finishing pass placed there for the row " +
           std::string(row ? "at " + std::to_string(row->position) + " m" : "before it");
  if (row) return the_kind(first.kind) + " at " + std::to_string(row->position) + " m";
  return kind_name(first.kind);
}

// 1250 or 1251 as an author reads it: which field, and the row that filled it.
Failure closing_failure_report(const Scenario& s, int32_t code) {
  Failure f;
  f.code = code;
  if (!s.has_cell(1)) {
    f.message = "the route has no cell 1 to carry its marker; no compiled file is written";
    return f;
  }
  const RouteCell& first = s.route[1];
  const bool marker = code == number(ErrorCode::kRouteMarkerTaken);
  const int16_t held = marker ? first.code1 : first.code2;
  const std::string field = marker ? "first" : "second";
  const std::string what = marker ? "the route's marker" : "the scenario code";
  if (held != 0) {
    f.message = "cell 1, the start of the route, keeps its " + field + " code for " + what +
                ", but " + occupant_of_first_cell(s) + " has put " + std::to_string(held) +
                " there; no compiled file is written";
    f.row_of_cell = 1;
  } else {
    f.message = "row 85 of the timetable keeps a field for " + what +
                ", but it is already used; no compiled file is written";
  }
  return f;
}

}  // namespace

CompileResult compile(SourceInput& sources, const CompileOptions& options) {
  CompileResult result;
  Scenario& s = result.scenario;
  s.line_name = options.line_name;
  s.train_number = options.train_number;
  s.build_line_plan = options.build_line_plan;
  s.clear_scenario_table();
  std::optional<ParseContext> ctx;
  if (options.report) ctx.emplace(options.diagnostics);
  parse_sources(s, sources, ctx ? &*ctx : nullptr);
  if (s.route_created) {
    const size_t parsed = s.failures.size();
    finish_route(s);
    result.closing_failure = closing_checks(s);
    if (ctx) {
      for (size_t i = parsed; i < s.failures.size(); ++i) {
        Failure f = s.failures[i];
        name_rows(f, s, *ctx, sources);
        ctx->sink.add_error(Diagnostic::Origin::kRecorded, std::move(f));
      }
      if (result.closing_failure != 0) {
        Failure f = closing_failure_report(s, result.closing_failure);
        name_rows(f, s, *ctx, sources);
        ctx->sink.add_error(Diagnostic::Origin::kRecorded, std::move(f));
      }
    }
  }
  if (ctx) {
    MeaningInput meaning;
    if (ctx->opened[0])
      meaning.line = read_authored(ctx->texts[0], sources.label(SourceRole::kLine), SourceRole::kLine);
    if (ctx->opened[1])
      meaning.train =
          read_authored(ctx->texts[1], sources.label(SourceRole::kTrain), SourceRole::kTrain);
    if (s.route_created) meaning.route = &s.route;
    meaning.recompile = [&options](const std::string& line, const std::string& train)
        -> std::optional<std::vector<RouteCell>> {
      CompileResult again = compile(line, train, {options.line_name, options.train_number, false});
      if (!again.has_route()) return std::nullopt;
      return std::move(again.scenario.route);
    };
    check_meaning(meaning, ctx->sink);
    CompileReport& r = result.report;
    r.diagnostics = std::move(ctx->sink.diagnostics());
    r.errors = ctx->sink.errors();
    r.warnings = ctx->sink.warnings();
    r.not_shown = ctx->sink.not_shown();
    r.stations = ctx->stations;
    r.signals = ctx->signals;
    r.slow_downs = ctx->slow_downs;
  }
  return result;
}

CompileResult compile(std::string line_text, std::string train_text,
                      const CompileOptions& options) {
  TextSources sources(
      {line_source_name(options.line_name), std::move(line_text)},
      {train_source_name(options.line_name, options.train_number), std::move(train_text)});
  return compile(sources, options);
}

CompileOptions author_options(std::string line_name, std::string train_number,
                              bool build_line_plan) {
  CompileOptions o;
  o.line_name = std::move(line_name);
  o.train_number = std::move(train_number);
  o.build_line_plan = build_line_plan;
  o.report = true;
  o.diagnostics.warnings = WarningSet::all();
  o.diagnostics.read_on = true;
  return o;
}

}  // namespace scenarioc
