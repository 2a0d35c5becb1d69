// The proof of a recovery: the sources compiled again, in memory, and their
// files compared byte for byte with the files they came from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "decompiler/decompile.h"

namespace scenarioc {

// The files the sources must give back: the route and the timetable as
// bytes, the line plan as its points (compared point by point, tag and
// bits, which is comparing its bytes without writing millions of them).
struct CompiledBytes {
  std::string route, timetable;
  const DecodedPlan* plan = nullptr;  // compared only when given
};

// The first difference in each file, if any. The texts are taken as the
// `compile` command takes an author's files (UTF-8 converted to the
// simulator's code page).
std::vector<Mismatch> prove(std::string line_text, std::string train_text,
                            const std::string& line_name, const std::string& train_number,
                            const CompiledBytes& expected);

}  // namespace scenarioc
