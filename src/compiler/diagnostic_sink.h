// Where a compile puts what it has to tell the author: errors, warnings and
// their notes, in the order found. Of each kind (an error code, a warning
// name) the first kShownPerKind are kept whole; the rest are only counted,
// so that a file of a million bad rows cannot fill the memory with reports.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compiler/warnings.h"
#include "model/diagnostics.h"

namespace scenarioc {

struct DiagnosticOptions {
  // Which warnings to look for; none for the built-in run.
  WarningSet warnings = WarningSet::none();
  // After the failure that ends the reading of a file, read the rest of it
  // (and a train file the compile no longer reaches) on a scratch copy of
  // the tables, for diagnostics only.
  bool read_on = false;
};

class DiagnosticSink {
 public:
  static constexpr int kShownPerKind = 20;

  explicit DiagnosticSink(DiagnosticOptions options) : options_(options) {}
  const DiagnosticOptions& options() const { return options_; }

  // Whether a warning of this name is wanted and still kept whole; counts
  // it either way. A caller builds the message only when this says so.
  bool admit(Warning w);
  void add_warning(Warning w, Failure body);  // after admit() said yes
  void add_error(Diagnostic::Origin origin, Failure body);

  const std::vector<Diagnostic>& diagnostics() const { return shown_; }
  std::vector<Diagnostic>& diagnostics() { return shown_; }
  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  // Per kind ("error 12", "unknown-key"), how many were counted but not kept.
  const std::map<std::string, int>& not_shown() const { return not_shown_; }

 private:
  DiagnosticOptions options_;
  std::vector<Diagnostic> shown_;
  std::map<int32_t, int> error_counts_;
  int warning_counts_[static_cast<size_t>(Warning::kCount)] = {};
  std::map<std::string, int> not_shown_;
  int errors_ = 0, warnings_ = 0;
};

}  // namespace scenarioc
