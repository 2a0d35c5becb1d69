#include <csignal>

#include "platform/process.h"

namespace scenarioc {

void survive_closed_pipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace scenarioc
