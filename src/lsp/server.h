// `scenarioc lsp`: the language server for the line and train files. It
// compiles the file an editor has open together with its partner (the line
// file N_linea.txt and the train files N_T-.txt beside it) in memory, with
// the unsaved text of any open one, and tells the editor what the compiler
// found, at its rows; it explains keys and values on hover, completes keys
// and headers, offers the fixes of the warnings that have a certain one,
// outlines the line and colours the files as the compiler reads them.
//
// The server writes nothing but protocol to its output and nothing to the
// disk; it reads only the partner files of the open ones.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiler/keywords.h"
#include "lsp/message_stream.h"

namespace scenarioc::lsp {

using json = nlohmann::json;

// The texts of the authors' reference, which live with the command line:
// a key as `scenarioc explain KEY` and the guide tell it, and the entry of
// an error code or warning name as `scenarioc explain CODE` prints it.
struct ReferenceTexts {
  std::function<std::string(const Keyword&)> keyword;
  std::function<std::optional<std::string>(std::string_view)> explanation;
};

// What is waiting in the input behind the message being handled: a newer
// text of a document makes a result for the older one stale, and a cancel
// for a request spares the work.
class PendingInput {
 public:
  virtual ~PendingInput() = default;
  virtual bool change_waiting(const std::string& uri) const = 0;
  virtual bool cancel_waiting(const json& id) const = 0;
};

// Nothing waiting: each message is handled as if it were the last.
class NothingPending final : public PendingInput {
 public:
  bool change_waiting(const std::string&) const override { return false; }
  bool cancel_waiting(const json&) const override { return false; }
};

// JSON-RPC error codes of the protocol.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestCancelled = -32800;

class Server {
 public:
  using Send = std::function<void(const json&)>;
  Server(ReferenceTexts texts, std::string version);
  ~Server();

  // Handles one frame from the input; what is to be sent goes to `send`.
  void handle(const Frame& frame, const PendingInput& pending, const Send& send);
  // After `exit`: the process ends with exit_status().
  bool done() const { return done_; }
  int exit_status() const { return shutdown_ ? 0 : 1; }

  struct State;

 private:
  void handle_message(const json& m, const PendingInput& pending, const Send& send);
  ReferenceTexts texts_;
  std::string version_;
  bool initialized_ = false, shutdown_ = false, done_ = false;
  std::unique_ptr<State> state_;
};

// Reads frames from `in` until `exit` or the end of the input, answering
// on `out`. The input is read on a thread of its own, so that a change that
// arrives while a compile runs is seen and the stale result dropped.
// Returns the exit status. After `exit` the reader is left blocked on the
// input (an editor may hold its end of the pipe open), unless
// `wait_for_input_end`, for an input that is sure to end (a test's).
int serve(std::istream& in, std::ostream& out, ReferenceTexts texts, std::string version,
          bool wait_for_input_end = false);

}  // namespace scenarioc::lsp
