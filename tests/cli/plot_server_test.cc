// The page server of watch --serve: reachable from this machine alone, its
// few fixed paths served from memory, and open pages told of each compile.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "cli/plot_server.h"
#include "test_util.h"

namespace scenarioc {
namespace {

#ifndef _WIN32

// A connection to the server on this machine.
class Connection {
 public:
  explicit Connection(int port) : socket_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  }
  ~Connection() { close(socket_); }
  bool connected() const { return connected_; }
  void send(const std::string& request) {
    (void)!write(socket_, request.data(), request.size());
  }
  // What came until the server closed the connection, or until `until` came.
  std::string read_until(const std::string& until = "") {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!until.empty() && got_.find(until) != std::string::npos) break;
      if (!testing::append_available(socket_, got_)) break;
    }
    return got_;
  }

 private:
  int socket_;
  bool connected_ = false;
  std::string got_;
};

std::string get(int port, const std::string& path, const std::string& host = "") {
  Connection c(port);
  if (!c.connected()) return "(no connection)";
  c.send("GET " + path + " HTTP/1.1\r\nHost: " +
         (host.empty() ? "127.0.0.1:" + std::to_string(port) : host) +
         "\r\nAccept-Encoding: gzip, deflate, br\r\nConnection: close\r\n\r\n");
  return c.read_until();
}

// The sockets listening at `port`, by their local address as the kernel
// lists them (/proc/net/tcp and tcp6: hexadecimal address:port, state 0A
// for listening).
std::vector<std::string> listening_at(int port) {
  std::vector<std::string> found;
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, "%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string row;
    std::getline(in, row);  // the heading
    while (std::getline(in, row)) {
      std::istringstream fields(row);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      const size_t colon = local.find(':');
      if (state == "0A" && colon != std::string::npos && local.substr(colon + 1) == wanted)
        found.push_back(local.substr(0, colon));
    }
  }
  return found;
}

TEST(PlotServer, ListensOnTheLoopbackAddressOnly) {
  const PlotServer server(0);
  ASSERT_GT(server.port(), 0);
  // 127.0.0.1 in the kernel's byte order, and no other address (no 0.0.0.0,
  // no IPv6 socket).
  EXPECT_EQ(listening_at(server.port()), std::vector<std::string>{"0100007F"});
}

TEST(PlotServer, APortThatIsTakenIsAClearError) {
  const PlotServer first(0);
  try {
    const PlotServer second(first.port());
    ADD_FAILURE() << "a second server listened on the same port";
  } catch (const ServeError& e) {
    EXPECT_NE(std::string(e.what()).find(std::to_string(first.port()) + ": the port is taken"),
              std::string::npos)
        << e.what();
  }
}

TEST(PlotServer, ServesItsFixedPathsFromMemoryAndNothingElse) {
  PlotServer server(0);
  server.publish({1, "<p>the page</p>", "<p>the line</p>", "<p>the train</p>"});
  const int port = server.port();
  struct Case {
    std::string path, host;
    std::string status, body;
  } cases[] = {
      {"/", "", "200", "<p>the page</p>"},
      {"/source/line", "", "200", "<p>the line</p>"},
      {"/source/train", "", "200", "<p>the train</p>"},
      {"/source/../../../etc/passwd", "", "404", ""},
      {"/etc/passwd", "", "404", ""},
      {"/source/line.txt", "", "404", ""},
      // A page of another site, its name resolved to this machine.
      {"/", "attacker.example:" + std::to_string(port), "403", ""},
  };
  for (const Case& c : cases) {
    const std::string got = get(port, c.path, c.host);
    EXPECT_EQ(got.substr(0, 12), "HTTP/1.1 " + c.status) << c.path << " " << c.host << ": " << got;
    if (!c.body.empty()) {
      EXPECT_NE(got.find(c.body), std::string::npos) << c.path << ": " << got;
    }
    EXPECT_EQ(got.find("root:"), std::string::npos) << c.path;
    // Served as it stands: compressing a drawing costs more than it saves here.
    EXPECT_EQ(got.find("Content-Encoding"), std::string::npos) << c.path << ": " << got;
  }
}

TEST(PlotServer, AnOpenPageIsToldOfEachCompile) {
  PlotServer server(0);
  // A page opened before the first compile has ended (a slow machine, a
  // large scenario) listens for it too, and is not left waiting for ever.
  const std::string waiting = get(server.port(), "/");
  EXPECT_NE(waiting.find("Compiling..."), std::string::npos) << waiting;
  EXPECT_NE(waiting.find("new EventSource('/events')"), std::string::npos) << waiting;
  server.publish({3, "<p>third</p>", "", ""});
  Connection events(server.port());
  ASSERT_TRUE(events.connected());
  events.send("GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
              "\r\n\r\n");
  // A page that opens the stream hears at once of the compile now served,
  // which it may not show yet; then of each next one.
  const std::string first = events.read_until("data: 3\n\n");
  EXPECT_NE(first.find("text/event-stream"), std::string::npos) << first;
  EXPECT_NE(first.find("data: 3\n\n"), std::string::npos) << first;
  server.publish({4, "<p>fourth</p>", "", ""});
  EXPECT_NE(events.read_until("data: 4\n\n").find("data: 4\n\n"), std::string::npos);
  EXPECT_NE(get(server.port(), "/").find("<p>fourth</p>"), std::string::npos);
}

#else

TEST(PlotServer, ThisBuildServesNoPage) {
  EXPECT_THROW(PlotServer(0), ServeError);
}

#endif

}  // namespace
}  // namespace scenarioc
