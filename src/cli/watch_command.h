// `scenarioc watch LINE TRAIN`: compiles the two sources again on every
// save, as `compile` does (the same report and the same set of compiled
// files, the earlier set kept after an error), each report after a line
// with the time; with --serve, a page in the browser that redraws the line
// after each compile and lists the current diagnostics above it.
#pragma once

#include <functional>
#include <string>

#include "cli/command_line.h"

namespace scenarioc {

// One compile of the watch, as the tests see it.
struct WatchRound {
  int number = 0;  // 1 for the compile at the start
  int status = 0;  // compile's exit status
  std::string printed;  // the separator and the report, as printed
};

// What runs around the watch: the command itself stops on Ctrl-C; a test
// stops it itself and hears of each compile and of the server's port.
struct WatchHooks {
  std::function<bool()> stop;
  std::function<void(const WatchRound&)> compiled;
  std::function<void(int port)> serving;
};

// The command: watches until Ctrl-C. Exit status 0 after Ctrl-C, 2 when the
// watch cannot start (a usage error, a folder that cannot be watched, a
// port that is taken).
int watch_command(const Arguments& a, IO& io);

int watch_sources(const Arguments& a, IO& io, const WatchHooks& hooks);

}  // namespace scenarioc
