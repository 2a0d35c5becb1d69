// The server's loop: one thread reads frames from the input into a queue,
// the other handles them in order. While a compile runs, the reader goes
// on, so that a newer text of a document is seen before the older one's
// result is published.
#include <condition_variable>
#include <deque>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

#include "lsp/server.h"

namespace scenarioc::lsp {
namespace {

class FrameQueue final : public PendingInput {
 public:
  void push(Frame f) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (f.kind == Frame::Kind::kEnd) ended_ = true;
      else frames_.push_back(std::move(f));
    }
    ready_.notify_one();
  }
  // The next frame; kEnd once the input is done and every frame handled.
  Frame pop() {
    std::unique_lock<std::mutex> hold(mutex_);
    ready_.wait(hold, [&] { return !frames_.empty() || ended_; });
    if (frames_.empty()) return {};
    Frame f = std::move(frames_.front());
    frames_.pop_front();
    return f;
  }

  bool change_waiting(const std::string& uri) const override {
    return any_waiting([&](const json& m) {
      const std::string method = m.value("method", "");
      if (method != "textDocument/didChange" && method != "textDocument/didClose" &&
          method != "textDocument/didOpen")
        return false;
      const json& p = m.at("params").at("textDocument");
      return p.at("uri").get<std::string>() == uri;
    }, "textDocument/did", uri);
  }
  bool cancel_waiting(const json& id) const override {
    return any_waiting([&](const json& m) {
      return m.value("method", "") == "$/cancelRequest" && m.at("params").at("id") == id;
    }, "$/cancelRequest", "");
  }

 private:
  // Whether a waiting message passes `test`. Only the messages whose text
  // holds both words are parsed: a waiting text of megabytes is looked at
  // once for its method, not read as JSON at every check.
  template <typename Test>
  bool any_waiting(Test test, std::string_view word, std::string_view word2) const {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const Frame& f : frames_) {
      if (f.kind != Frame::Kind::kMessage || f.body.find(word) == std::string::npos) continue;
      if (!word2.empty() && f.body.find(word2) == std::string::npos) continue;
      if (nested_deeper_than(f.body)) continue;
      try {
        if (test(json::parse(f.body))) return true;
      } catch (const json::exception&) {
      }
    }
    return false;
  }

  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Frame> frames_;
  bool ended_ = false;
};

}  // namespace

int serve(std::istream& in, std::ostream& out, ReferenceTexts texts, std::string version,
          bool wait_for_input_end) {
  Server server(std::move(texts), std::move(version));
  const auto shared_queue = std::make_shared<FrameQueue>();
  FrameQueue& queue = *shared_queue;
  std::thread reader([shared_queue, &in] {
    for (;;) {
      Frame f = read_frame(in);
      const bool end = f.kind == Frame::Kind::kEnd;
      shared_queue->push(std::move(f));
      if (end) return;
    }
  });
  bool output_failed = false;
  const Server::Send send = [&](const json& m) {
    out << framed(m.dump(-1, ' ', false, json::error_handler_t::replace)) << std::flush;
    if (!out) output_failed = true;
  };
  for (;;) {
    const Frame f = queue.pop();
    if (f.kind == Frame::Kind::kEnd) break;
    server.handle(f, queue, send);
    if (server.done() || output_failed) break;
  }
  // The editor may keep its end of the pipe open after `exit`: the reader,
  // blocked on it, is left to end with the process.
  if ((server.done() || output_failed) && !wait_for_input_end) reader.detach();
  else reader.join();
  return server.done() ? server.exit_status() : output_failed ? 1 : 0;
}

}  // namespace scenarioc::lsp
