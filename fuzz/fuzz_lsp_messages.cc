// libFuzzer target: the language server's input, byte for byte as an
// editor's pipe would carry it: the frames read from it and every message
// handled (documents opened, changed and compiled, hovers, completion,
// fixes, outline and colours), each answer written out as JSON.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "lsp/message_stream.h"
#include "lsp/server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scenarioc::lsp;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Server server({}, "fuzz");
  const NothingPending nothing;
  size_t written = 0;
  for (;;) {
    const Frame f = read_frame(in, size_t{1} << 20);
    if (f.kind == Frame::Kind::kEnd) break;
    server.handle(f, nothing, [&](const json& m) {
      written += framed(m.dump(-1, ' ', false, json::error_handler_t::replace)).size();
    });
    if (server.done()) break;
  }
  (void)written;
  return 0;
}
