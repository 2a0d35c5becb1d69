#include "cli/decompile.h"

#include <algorithm>
#include <ostream>

#include "cli/report.h"
#include "cli/run.h"
#include "decompiler/decompile.h"
#include "model/file_names.h"
#include "model/scenario_names.h"
#include "platform/file_io.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

struct Names {
  std::string line, train;
};

// "Valdena_704.sim" gives Valdena and 704 (split at the last "_").
std::optional<Names> names_of_timetable(const std::string& file) {
  const std::string tail = ".sim";
  if (file.size() <= tail.size() || file.compare(file.size() - tail.size(), tail.size(), tail) != 0)
    return std::nullopt;
  const std::string stem = file.substr(0, file.size() - tail.size());
  const size_t cut = stem.rfind('_');
  if (cut == std::string::npos || cut == 0 || cut + 1 == stem.size()) return std::nullopt;
  return Names{stem.substr(0, cut), stem.substr(cut + 1)};
}

// The scenario of the folder: the one named, or the only one there.
std::optional<Names> find_scenario(const DecompileOptions& o, std::string& error) {
  if (o.line_name && o.train_number) return Names{*o.line_name, *o.train_number};
  std::vector<Names> found;
  std::error_code ec;
  for (fs::directory_iterator it(o.dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::optional<Names> n = names_of_timetable(it->path().filename().string());
    if (!n || (o.line_name && n->line != *o.line_name) ||
        (o.train_number && n->train != *o.train_number))
      continue;
    if (fs::is_regular_file(o.dir / route_name(n->line, n->train), ec)) found.push_back(*n);
  }
  if (ec) {
    error = "cannot read the folder " + o.dir.string() + ": " + ec.message();
    return std::nullopt;
  }
  if (found.size() == 1) return found[0];
  if (found.empty()) {
    error = "no compiled scenario (N_T.dat and N_T.sim) in " + o.dir.string();
    return std::nullopt;
  }
  std::sort(found.begin(), found.end(),
            [](const Names& a, const Names& b) { return a.line + "_" + a.train < b.line + "_" + b.train; });
  error = o.dir.string() + " holds " + std::to_string(found.size()) + " compiled scenarios (";
  for (size_t i = 0; i < found.size(); ++i)
    error += (i ? ", " : "") + found[i].line + " " + found[i].train;
  error += "): name one with --line-name N --train-number T";
  return std::nullopt;
}

}  // namespace

int decompile_command(const DecompileOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<Names> names = find_scenario(o, error);
  if (!names) {
    report_fatal(err, error);
    return kExitEndedEarly;
  }
  for (const std::string* name : {&names->line, &names->train})
    if (const std::string why = name_problem(*name); !why.empty()) {
      report_fatal(err, "'" + *name + "' cannot be part of a file name: " + why);
      return kExitEndedEarly;
    }

  const fs::path route_path = o.dir / route_name(names->line, names->train);
  const fs::path timetable_path = o.dir / timetable_name(names->line, names->train);
  const fs::path plan_path = o.dir / line_plan_name(names->line);
  const fs::path line_out = o.out_dir / line_source_name(names->line);
  const fs::path train_out = o.out_dir / train_source_name(names->line, names->train);
  if (!o.force)
    for (const fs::path& p : {line_out, train_out}) {
      std::error_code ec;
      if (fs::exists(p, ec)) {
        report_fatal(err, p.string() + " is already there; give --force to replace it");
        return kExitEndedEarly;
      }
    }

  DecompiledSources sources;
  const fs::path* reading = &route_path;
  try {
    CompiledScenario files;
    files.route = decode_route(read_file(route_path));
    reading = &timetable_path;
    files.timetable = decode_timetable(read_file(timetable_path));
    std::error_code ec;
    if (fs::exists(plan_path, ec)) {
      reading = &plan_path;
      files.plan = decode_line_plan(read_file(plan_path));
    }
    reading = nullptr;
    sources = decompile(files, names->line, names->train);
  } catch (const FileError& e) {
    report_fatal(err, "cannot read " + e.path().string() + ": " + e.reason());
    return kExitEndedEarly;
  } catch (const FormatError& e) {
    report_fatal(err, reading->string() + " is damaged: " + e.what());
    return kExitEndedEarly;
  } catch (const NotCompiledFiles& e) {
    report_fatal(err, "these files are not ones the compiler writes: " + std::string(e.what()));
    return kExitEndedEarly;
  }

  try {
    std::error_code made;
    fs::create_directories(o.out_dir, made);
    if (made) throw FileError(o.out_dir, made.message());
    AtomicFile line(line_out), train(train_out);
    line.write(sources.line_text);
    train.write(sources.train_text);
    line.commit();
    train.commit();
  } catch (const FileError& e) {
    report_fatal(err, "cannot write " + e.path().string() + ": " + e.reason());
    return kExitEndedEarly;
  }
  for (const std::string& note : sources.notes) err << "scenarioc: note: " << note << '\n';
  out << "wrote " << line_out.string() << " and " << train_out.string() << '\n';
  if (sources.mismatches.empty()) {
    out << "they compile back to the same bytes\n";
    return kExitSuccess;
  }
  for (const Mismatch& m : sources.mismatches)
    err << "scenarioc: error: " << m.file << ", byte " << m.offset << " (" << m.where
        << "): the sources give another byte\n";
  err.flush();
  return kExitRecordedFailures;
}

}  // namespace scenarioc
