// Compiles a scenario held in memory and decompiles its files.
#pragma once

#include <sstream>
#include <string>

#include "compiler/compile.h"
#include "decompiler/decompile.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"

namespace scenarioc::testing {

constexpr const char* kLine = "Prova";
constexpr const char* kTrain = "9";

// The three files of a compile, read back as the decompiler reads them.
inline CompiledScenario files_of(const Scenario& s, bool with_plan = true) {
  CompiledScenario f;
  f.route = decode_route(encode_route(s));
  f.timetable = decode_timetable(encode_timetable(s));
  if (with_plan) {
    std::string plan;
    encode_line_plan(s.track_plan, [&plan](std::string_view piece) { plan.append(piece); });
    f.plan = decode_line_plan(plan);
  }
  return f;
}

inline CompiledScenario compile_files(const std::string& line, const std::string& train,
                                      bool with_plan = true) {
  const CompileResult r = compile(line, train, {kLine, kTrain, true});
  if (!r.writable()) throw std::logic_error("the test's scenario writes no files");
  return files_of(r.scenario, with_plan);
}

inline DecompiledSources decompile_sources(const std::string& line, const std::string& train,
                                           bool with_plan = true) {
  return decompile(compile_files(line, train, with_plan), kLine, kTrain);
}

// The mismatches and notes, for a failed expectation.
inline std::string describe(const DecompiledSources& d) {
  std::ostringstream out;
  for (const Mismatch& m : d.mismatches) out << m.file << " byte " << m.offset << ": " << m.where << "\n";
  for (const std::string& n : d.notes) out << "note: " << n << "\n";
  out << "---- line\n" << d.line_text << "---- train\n" << d.train_text;
  return out.str();
}

// A line file of 10 km with `data` after its general data, and a train file.
inline std::string line_with(const std::string& data, int length = 10000) {
  return "[generale]\r\nlunghezza percorso,    " + std::to_string(length) + "\r\n[curve]\r\n" +
         data + "[fine]\r\n";
}
inline std::string train_with(const std::string& data) {
  return "[generale]\r\n" + data + "[fine]\r\n";
}

}  // namespace scenarioc::testing
