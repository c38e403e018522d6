// Fuzzes scenario_tool lsp's message reader and the server behind it.
//   - Any bytes: the reader ends, each step taking at least one byte, no body
//     above its limit, and the server takes every body it gives without
//     throwing (answers are dropped).
//   - The input cut at each NUL into bodies, each framed: the reader gives
//     exactly those bodies back, in order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tool/lsp/language_server.h"
#include "tool/lsp/message_stream.h"

namespace {

using compila::lsp::framed_message;

constexpr std::size_t max_body = 4096;

void fail(const char* what) {
  std::fprintf(stderr, "lsp_message_fuzzer: %s\n", what);
  std::abort();
}

void read_any_bytes(const std::string& input) {
  std::istringstream stream(input);
  compila::lsp::message_reader reader(stream, max_body);
  compila::lsp::language_server server([](const nlohmann::json&) {});
  std::size_t steps = 0;
  for (framed_message m = reader.next(); m.what != framed_message::kind::end; m = reader.next()) {
    if (++steps > input.size() + 1) fail("the reader does not end");
    if (m.what == framed_message::kind::body) {
      if (m.text.size() > max_body) fail("a body above the limit");
      server.handle(m.text);
    }
  }
}

void read_framed_pieces(const std::string& input) {
  std::vector<std::string> bodies;
  std::string framed;
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    bodies.push_back(input.substr(start, end - start));
    framed += compila::lsp::framed(bodies.back());
    start = end + 1;
  }
  std::istringstream stream(framed);
  compila::lsp::message_reader reader(stream);
  for (const std::string& body : bodies) {
    const framed_message m = reader.next();
    if (m.what != framed_message::kind::body || m.text != body) fail("a framed body does not come back as it was");
  }
  if (reader.next().what != framed_message::kind::end) fail("more than the framed bodies");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  read_any_bytes(input);
  read_framed_pieces(input);
  return 0;
}
