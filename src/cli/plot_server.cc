#include "cli/plot_server.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/watch_page.h"
#include "platform/listening_socket.h"

namespace scenarioc {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
// How often an idle event stream is written to, so that a closed tab frees
// its connection soon.
constexpr std::chrono::seconds kKeepAlive{1};
// Each open connection holds a thread: an event stream, and each connection
// a browser opens ahead of need or keeps for its next request. Enough
// threads that a reloading page never waits for one, and idle connections
// let go within a second.
constexpr size_t kThreads = 32;
constexpr time_t kIdleSeconds = 1;

}  // namespace

struct PlotServer::State {
  httplib::Server http;
  std::thread listener;
  int port = 0;
  std::mutex mutex;
  std::condition_variable changed;
  ServedPages pages;
  bool closing = false;

  // A request must name this server as the browser reached it: a page of
  // another site that a name resolving to 127.0.0.1 leads here is refused.
  bool host_is_ours(const httplib::Request& req) const {
    const std::string host = req.get_header_value("Host");
    const std::string at = ":" + std::to_string(port);
    return host == kLoopback + at || host == "localhost" + at;
  }

  void serve(httplib::Response& res, const std::string ServedPages::*which) {
    std::lock_guard<std::mutex> lock(mutex);
    res.set_header("Cache-Control", "no-store");
    res.set_content(pages.*which, "text/html; charset=utf-8");
  }
};

PlotServer::PlotServer(int port) : state_(std::make_unique<State>()) {
  State& s = *state_;
  // A browser may come before the first compile has ended: the page it
  // gets then must load again by itself, or it would wait for ever.
  s.pages.page = waiting_page();
  s.http.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  s.http.set_keep_alive_timeout(kIdleSeconds);
  s.http.set_read_timeout(kIdleSeconds, 0);
  s.http.set_socket_options([](socket_t socket) { set_listening_options(socket); });
  // Every path the server knows; anything else is 404 and nothing is read.
  s.http.set_pre_routing_handler([&s](const httplib::Request& req, httplib::Response& res) {
    // The library would compress every page a browser accepts compressed,
    // with brotli at its slowest: most of a second for a drawing, to save
    // nothing on the loopback. The request is the server's own object,
    // handed over as const; the header is dropped before any answer.
    const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
    if (s.host_is_ours(req)) return httplib::Server::HandlerResponse::Unhandled;
    res.status = 403;
    res.set_content("this server answers to 127.0.0.1 only\n", "text/plain");
    return httplib::Server::HandlerResponse::Handled;
  });
  s.http.Get("/", [&s](const httplib::Request&, httplib::Response& res) {
    s.serve(res, &ServedPages::page);
  });
  s.http.Get(std::string(kLineSourcePath), [&s](const httplib::Request&, httplib::Response& res) {
    s.serve(res, &ServedPages::line_source);
  });
  s.http.Get(std::string(kTrainSourcePath), [&s](const httplib::Request&, httplib::Response& res) {
    s.serve(res, &ServedPages::train_source);
  });
  s.http.Get(std::string(kEventsPath), [&s](const httplib::Request&, httplib::Response& res) {
    res.set_header("Cache-Control", "no-store");
    // Each stream first tells the compile now shown, then each new one.
    res.set_chunked_content_provider(
        "text/event-stream",
        [&s, told = std::optional<uint64_t>()](size_t, httplib::DataSink& sink) mutable {
          std::unique_lock<std::mutex> lock(s.mutex);
          s.changed.wait_for(lock, kKeepAlive, [&] {
            return s.closing || !told || *told != s.pages.compile_number;
          });
          if (s.closing) {
            sink.done();
            return false;
          }
          std::string event = ": still here\n\n";
          if (!told || *told != s.pages.compile_number) {
            told = s.pages.compile_number;
            event = "retry: 500\ndata: " + std::to_string(*told) + "\n\n";
          }
          lock.unlock();
          return sink.write(event.data(), event.size());
        });
  });
  s.port = port == 0 ? s.http.bind_to_any_port(kLoopback) : port;
  if (s.port <= 0 || (port != 0 && !s.http.bind_to_port(kLoopback, port)))
    throw ServeError(port == 0 ? std::string("cannot listen on ") + kLoopback + ": no free port"
                               : "cannot listen on " + std::string(kLoopback) + ":" +
                                     std::to_string(port) +
                                     ": the port is taken or not allowed; give another PORT, "
                                     "or 0 for a free one");
  s.listener = std::thread([&s] { s.http.listen_after_bind(); });
  // stop() only reaches a server that has started listening.
  while (!s.http.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PlotServer::~PlotServer() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closing = true;
  }
  state_->changed.notify_all();
  state_->http.stop();
  if (state_->listener.joinable()) state_->listener.join();
}

int PlotServer::port() const { return state_->port; }

void PlotServer::publish(ServedPages pages) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pages = std::move(pages);
  }
  state_->changed.notify_all();
}

}  // namespace scenarioc
