// The wire: frames found in any byte sequence, broken ones told and passed.
#include "lsp/message_stream.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace scenarioc::lsp {
namespace {

// What reading the whole input gives: "M:body" for a message, "B" for a
// broken frame; reading ends at the end of the input.
std::vector<std::string> frames_of(const std::string& bytes, size_t largest_body = kLargestBody) {
  std::istringstream in(bytes);
  std::vector<std::string> got;
  for (int guard = 0; guard < 100; ++guard) {
    const Frame f = read_frame(in, largest_body);
    if (f.kind == Frame::Kind::kEnd) return got;
    got.push_back(f.kind == Frame::Kind::kMessage ? "M:" + f.body : "B");
  }
  ADD_FAILURE() << "reading never ended";
  return got;
}

TEST(MessageStream, FindsEachFrameAndPassesOverBrokenOnes) {
  const std::string a = framed("{\"a\":1}"), b = framed("{\"b\":2}");
  struct Case {
    const char* what;
    std::string input;
    std::vector<std::string> frames;
    size_t largest = kLargestBody;
  };
  const Case cases[] = {
      {"nothing", "", {}},
      {"two messages in one write", a + b, {"M:{\"a\":1}", "M:{\"b\":2}"}},
      {"a Content-Type and the name in any case",
       "content-length: 7\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{\"a\":1}",
       {"M:{\"a\":1}"}},
      {"lines ended by LF alone", "Content-Length: 7\n\n{\"a\":1}", {"M:{\"a\":1}"}},
      {"stray line ends between messages", a + "\r\n\r\n" + b, {"M:{\"a\":1}", "M:{\"b\":2}"}},
      {"no Content-Length", "Content-Type: x\r\n\r\n" + a, {"B", "M:{\"a\":1}"}},
      {"a length that is no number", "Content-Length: 7x\r\n\r\n" + a, {"B", "M:{\"a\":1}"}},
      {"a negative length", "Content-Length: -1\r\n\r\n" + a, {"B", "M:{\"a\":1}"}},
      {"a length of twenty digits", "Content-Length: 99999999999999999999\r\n\r\n" + a,
       {"B", "M:{\"a\":1}"}},
      {"a header line without a colon", "hello\r\n\r\n" + a, {"B", "M:{\"a\":1}"}},
      {"a body above the limit is skipped whole", framed(std::string(64, 'x')) + a,
       {"B", "M:{\"a\":1}"}, 32},
      {"a header block of 20000 bytes", std::string(20000, 'h') + "\r\n\r\n" + a, {"B", "M:{\"a\":1}"}},
      {"a body cut short by the end of the input", "Content-Length: 50\r\n\r\n{\"a\"", {}},
      {"a header cut short", "Content-Len", {}},
      {"bytes of every value in the body", framed(std::string("\0\xff\r\n", 4)),
       {std::string("M:") + std::string("\0\xff\r\n", 4)}},
  };
  for (const Case& c : cases) EXPECT_EQ(frames_of(c.input, c.largest), c.frames) << c.what;
}

TEST(MessageStream, TellsMessagesNestedTooDeep) {
  struct Case {
    std::string body;
    bool too_deep;
  };
  const Case cases[] = {
      {"{\"a\":[1,2],\"b\":{}}", false},
      {std::string(3, '[') + std::string(3, ']'), true},
      {"[\"[[[[[[\"]", false},            // brackets in a string
      {"[\"\\\"[[[[\"]", false},         // after an escaped quote, still in the string
      {"]]]]]][[", false},                  // closing brackets first do not go below zero
      {"{\"a\":{\"b\":{\"c\":1}}}", true},
  };
  for (const Case& c : cases) EXPECT_EQ(nested_deeper_than(c.body, 2), c.too_deep) << c.body;
}

}  // namespace
}  // namespace scenarioc::lsp
