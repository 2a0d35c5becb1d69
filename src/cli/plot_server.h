// The little web server of `watch --serve`: it listens on the loopback
// address 127.0.0.1 alone, so that no other machine can reach it, and
// serves four fixed paths from memory: the page (/), the views of the two
// sources and the event stream that tells open pages of each new compile.
// No path of a request is ever looked up on the disk.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace scenarioc {

// The server could not start: the port is taken, or this build has none.
class ServeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the server shows, made again after each compile.
struct ServedPages {
  uint64_t compile_number = 0;
  std::string page, line_source, train_source;
};

class PlotServer {
 public:
  // Listens on 127.0.0.1 at `port`; 0 lets the system pick a free one.
  // Throws ServeError when it cannot.
  explicit PlotServer(int port);
  ~PlotServer();  // closes every connection, the event streams too
  PlotServer(const PlotServer&) = delete;
  PlotServer& operator=(const PlotServer&) = delete;

  int port() const;
  // Serves `pages` from now on, and tells the open pages to load again.
  void publish(ServedPages pages);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace scenarioc
