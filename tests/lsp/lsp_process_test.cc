// `scenarioc lsp` as an editor starts it: messages through real pipes, cut
// anywhere and run together; standard output holds protocol alone; nothing
// is written to the disk; the process ends on `exit` and when its input
// closes.
#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "lsp/message_stream.h"
#include "lsp_fixture.h"

namespace scenarioc::testing {
namespace {

struct Process {
  pid_t pid = -1;
  int in = -1, out = -1, err = -1;
};

Process start_server(const std::filesystem::path& cwd) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    execl(SCENARIOC_EXE, SCENARIOC_EXE, "lsp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  return {pid, in[1], out[0], err[0]};
}

void send_bytes(const Process& p, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(p.in, bytes.data() + done, bytes.size() - done);
    ASSERT_GT(n, 0);
    done += static_cast<size_t>(n);
  }
}

std::string read_all(int fd) {
  std::string s;
  char buf[65536];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) s.append(buf, static_cast<size_t>(n));
  close(fd);
  return s;
}

// The exit status, or -1 when the process has not ended within 20 s (it
// is then killed).
int wait_for(pid_t pid) {
  for (int i = 0; i < 2000; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

// Every frame of the output; fails when anything but frames is there.
std::vector<json> frames(const std::string& out) {
  std::istringstream in(out);
  std::vector<json> got;
  std::string again;  // the frames written anew: the output, byte for byte
  for (;;) {
    const lsp::Frame f = lsp::read_frame(in);
    if (f.kind == lsp::Frame::Kind::kEnd) break;
    EXPECT_EQ(f.kind, lsp::Frame::Kind::kMessage) << f.error;
    again += lsp::framed(f.body);
    got.push_back(json::parse(f.body));
  }
  EXPECT_EQ(again, out) << "standard output holds more than frames";
  return got;
}

std::string message(const json& m) { return lsp::framed(m.dump()); }

json request(int id, const std::string& method, json params) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

json note(const std::string& method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

const json* response(const std::vector<json>& all, int id) {
  for (const json& m : all)
    if (m.contains("id") && m["id"] == id) return &m;
  return nullptr;
}

TEST(LanguageServerProcess, MessagesCutAndRunTogetherOverPipes) {
  ScenarioFolder f;
  const std::vector<std::string> before = list_dir(f.dir.path());
  Process p = start_server(f.dir.path());
  ASSERT_GT(p.pid, 0);
  const std::string init = message(request(1, "initialize", {{"capabilities", json::object()}}));
  // The first message in three writes, cut inside its header and its body.
  send_bytes(p, init.substr(0, 7));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  send_bytes(p, init.substr(7, 20));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  send_bytes(p, init.substr(27));
  // The rest in one write, malformed ones among them.
  const std::string train = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  send_bytes(p, message(note("initialized", json::object())) +
                    message(note("textDocument/didOpen", {{"textDocument", {{"uri", f.train_uri}, {"languageId", "scenario"}, {"version", 1}, {"text", train}}}})) +
                    lsp::framed("{not json") + "Content-Length: x\r\n\r\n" +
                    message(request(2, "textDocument/hover", Editor::at(f.train_uri, 1, 2))) +
                    message(request(3, "no/such/method", json::object())) +
                    message(request(4, "shutdown", nullptr)) + message(note("exit", nullptr)));
  const std::string out = read_all(p.out);
  const std::string err = read_all(p.err);
  close(p.in);
  EXPECT_EQ(wait_for(p.pid), 0);
  EXPECT_EQ(err, "");
  const std::vector<json> all = frames(out);
  ASSERT_TRUE(response(all, 1));
  EXPECT_TRUE((*response(all, 1))["result"].contains("capabilities"));
  ASSERT_TRUE(response(all, 2));
  EXPECT_NE((*response(all, 2))["result"]["contents"]["value"].get<std::string>().find("numero"), std::string::npos);
  EXPECT_EQ((*response(all, 3))["error"]["code"], lsp::kMethodNotFound);
  EXPECT_TRUE(response(all, 4) && (*response(all, 4))["result"].is_null());
  int parse_errors = 0;
  std::set<std::string> published;
  for (const json& m : all) {
    parse_errors += m.contains("error") && m["error"]["code"] == lsp::kParseError;
    if (m.value("method", "") == "textDocument/publishDiagnostics")
      published.insert(m["params"]["uri"].get<std::string>());
  }
  EXPECT_EQ(parse_errors, 2);
  // The train file and its line file; how often each is published depends
  // on when the server's reading thread sees the later messages.
  EXPECT_EQ(published.size(), 2u);
  EXPECT_EQ(published.count(f.train_uri), 1u);
  // Nothing written beside the sources.
  EXPECT_EQ(list_dir(f.dir.path()), before);
}

TEST(LanguageServerProcess, EndsWhenItsInputCloses) {
  ScenarioFolder f;
  struct Case {
    const char* what;
    std::string input;
  };
  const Case cases[] = {
      {"nothing at all", ""},
      {"after initialize, without shutdown", message(request(1, "initialize", json::object()))},
      {"in the middle of a message", "Content-Length: 100\r\n\r\n{\"jsonrpc\""},
  };
  for (const Case& c : cases) {
    Process p = start_server(f.dir.path());
    ASSERT_GT(p.pid, 0);
    send_bytes(p, c.input);
    close(p.in);
    const std::string out = read_all(p.out);
    read_all(p.err);
    EXPECT_EQ(wait_for(p.pid), 0) << c.what;
    frames(out);
  }
}

}  // namespace
}  // namespace scenarioc::testing

#endif  // _WIN32
