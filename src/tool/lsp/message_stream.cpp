#include "tool/lsp/message_stream.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace compila::lsp {
namespace {

constexpr std::string_view length_header = "content-length:";
// A header line longer than this is no header: it is cut there.
constexpr std::size_t max_header_line = 4096;

std::string lower_case(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Where a length header starts in `line` (it may follow bytes left of a
// body given a short length), or npos.
std::size_t length_header_at(std::string_view line) { return lower_case(line).find(length_header); }

// The length a header line names; false when it names none that reads.
bool read_length(std::string_view line, std::size_t& length) {
  std::string_view value = line.substr(length_header_at(line) + length_header.size());
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
  return error == std::errc() && end == value.data() + value.size() && !value.empty();
}

framed_message problem(std::string text) { return {framed_message::kind::problem, std::move(text)}; }

}  // namespace

// One header line without its CR LF; false at the end of the input. A line
// is ended by LF (a CR before it is dropped).
bool message_reader::read_header_line(std::string& line) {
  line.clear();
  for (int c = input_.get(); c != std::char_traits<char>::eof(); c = input_.get()) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (line.size() < max_header_line) line.push_back(static_cast<char>(c));
  }
  return !line.empty();
}

framed_message message_reader::next() {
  std::string line;
  bool length_given = false, other_lines = false;
  std::size_t length = 0;
  std::string trouble;
  while (read_header_line(line)) {
    if (line.empty()) {
      if (!trouble.empty()) return problem(trouble);
      if (length_given) return read_body(length);
      if (other_lines) return problem("a header block without Content-Length: its body is passed over");
      continue;  // blank lines between messages
    }
    if (length_header_at(line) != std::string_view::npos) {
      length_given = read_length(line, length);
      trouble = length_given ? "" : "a Content-Length that is not a number: \"" + line.substr(0, 80) + "\"";
    } else {
      other_lines = true;  // another header, the rest of a body, or noise
    }
  }
  if (length_given || other_lines) return problem("the input ended inside a message");
  return {framed_message::kind::end, {}};
}

framed_message message_reader::read_body(std::size_t length) {
  if (length > max_body_) {
    std::array<char, 65536> piece{};
    std::size_t left = length;
    while (left > 0 && input_) {
      input_.read(piece.data(), static_cast<std::streamsize>(std::min(left, piece.size())));
      left -= static_cast<std::size_t>(input_.gcount());
    }
    return problem("a message of " + std::to_string(length) + " bytes, above the limit of " +
                   std::to_string(max_body_) + ": passed over");
  }
  std::string body(length, '\0');
  input_.read(body.data(), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(input_.gcount()) != length)
    return problem("the input ended inside a message body (" + std::to_string(input_.gcount()) + " of " +
                   std::to_string(length) + " bytes)");
  return {framed_message::kind::body, std::move(body)};
}

std::string framed(std::string_view body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

}  // namespace compila::lsp
