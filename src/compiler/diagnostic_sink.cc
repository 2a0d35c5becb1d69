#include "compiler/diagnostic_sink.h"

namespace scenarioc {

bool DiagnosticSink::admit(Warning w) {
  if (!options_.warnings.has(w)) return false;
  ++warnings_;
  if (++warning_counts_[static_cast<size_t>(w)] <= kShownPerKind) return true;
  ++not_shown_[std::string(warning_info(w).name)];
  return false;
}

void DiagnosticSink::add_warning(Warning w, Failure body) {
  Diagnostic d;
  d.severity = Severity::kWarning;
  d.warning = std::string(warning_info(w).name);
  d.failure = std::move(body);
  shown_.push_back(std::move(d));
}

void DiagnosticSink::add_error(Diagnostic::Origin origin, Failure body) {
  ++errors_;
  if (++error_counts_[body.code] > kShownPerKind) {
    ++not_shown_["error " + std::to_string(body.code)];
    return;
  }
  Diagnostic d;
  d.severity = Severity::kError;
  d.origin = origin;
  d.failure = std::move(body);
  shown_.push_back(std::move(d));
}

}  // namespace scenarioc
