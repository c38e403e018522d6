// The framing of the language server protocol: each message is a header
// block ("Content-Length: N", other headers ignored, each line ended by
// CR LF, the block by an empty line) and then N bytes of JSON.
//
// The reader never trusts the peer: a header block without a length, a
// length that is not a number or above the limit, and bytes that are no
// header at all are reported and passed over, and reading goes on at the
// next header line that names a length (also one glued to the end of a
// body whose length was given short). A body above the limit is skipped in
// pieces without being held.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace compila::lsp {

// The largest body the reader keeps; a longer one is skipped and reported.
inline constexpr std::size_t default_max_body = std::size_t{256} << 20;

struct framed_message {
  enum class kind {
    body,     // `text` holds one message's body
    problem,  // `text` says what was wrong with the bytes passed over
    end       // the input has ended
  };
  kind what = kind::end;
  std::string text;
};

class message_reader {
 public:
  explicit message_reader(std::istream& input, std::size_t max_body = default_max_body)
      : input_(input), max_body_(max_body) {}

  // The next body, or a problem, or the end of the input.
  framed_message next();

 private:
  bool read_header_line(std::string& line);
  framed_message read_body(std::size_t length);

  std::istream& input_;
  std::size_t max_body_;
};

// `body` framed as one message.
std::string framed(std::string_view body);

}  // namespace compila::lsp
