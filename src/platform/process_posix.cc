#include <csignal>

#include "platform/process.h"

namespace scenarioc {

void survive_closed_pipes() { std::signal(SIGPIPE, SIG_IGN); }

// POSIX streams never translate line ends.
void binary_standard_streams() {}

}  // namespace scenarioc
