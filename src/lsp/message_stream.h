// The wire of the language server: JSON-RPC messages, each a header block
// ("Content-Length: N", blank line) and N bytes of JSON, on a byte stream
// (the editor's pipe). The reader takes any byte sequence: a broken header
// or an oversized body is reported as one bad message and reading goes on
// after it, or ends cleanly at the end of the input.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace scenarioc::lsp {

// The largest body taken: a source may be 16 MiB (kLargestSource), and
// JSON may escape each of its bytes in six ("\u0001").
inline constexpr size_t kLargestBody = size_t{128} << 20;
// A header block longer than this is no header an editor sends.
inline constexpr size_t kLargestHeader = 8192;

struct Frame {
  enum class Kind { kMessage, kBroken, kEnd } kind = Kind::kEnd;
  std::string body;   // kMessage: the JSON text
  std::string error;  // kBroken: what was wrong, for the error response
};

// Reads the next frame from `in`. After kEnd the input is done.
Frame read_frame(std::istream& in, size_t largest_body = kLargestBody);

// `body` framed for the wire.
std::string framed(const std::string& body);

// The deepest nesting of arrays and objects a message may have. The
// protocol's messages stay below twenty; a JSON value is copied and written
// out by recursion, so a message nested a million deep is refused before
// it is read as JSON.
inline constexpr size_t kDeepestMessage = 256;

// Whether the JSON text `body` nests deeper than `limit`; brackets inside
// strings do not count.
bool nested_deeper_than(std::string_view body, size_t limit = kDeepestMessage);

}  // namespace scenarioc::lsp
