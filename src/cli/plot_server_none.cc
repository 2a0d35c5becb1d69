// A build without cpp-httplib (the Windows build: Debian has no MinGW build
// of it) watches and compiles, but serves no page.
#include "cli/plot_server.h"

namespace scenarioc {

struct PlotServer::State {};

PlotServer::PlotServer(int) {
  throw ServeError("this build of scenarioc serves no page (it was built without cpp-httplib); "
                   "watch without --serve, and draw with 'scenarioc plot -o FILE.html'");
}

PlotServer::~PlotServer() = default;

int PlotServer::port() const { return 0; }

void PlotServer::publish(ServedPages) {}

}  // namespace scenarioc
