#include "tool/lsp/text_positions.h"

#include <algorithm>

namespace compila::lsp {
namespace {

// The length of the UTF-8 sequence starting at `at` and its UTF-16 code
// units; one byte and one unit where no well-formed sequence starts.
struct character_size {
  std::size_t bytes;
  std::int64_t units;
};

bool continuation(std::string_view text, std::size_t at) {
  return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

character_size character_at(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  for (std::size_t i = 1; i < length; ++i)
    if (!continuation(text, at + i)) return {1, 1};
  return {length, length == 4 ? 2 : 1};
}

}  // namespace

std::vector<std::size_t> line_starts(std::string_view text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') starts.push_back(i + 1);
  }
  return starts;
}

std::string_view line_text(std::string_view text, std::int64_t line) {
  std::size_t start = 0;
  for (std::int64_t at = 0; at < line; ++at) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return {};
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  return text.substr(start, end - start);
}

std::size_t byte_column(std::string_view line, std::int64_t character) {
  std::size_t byte = 0;
  for (std::int64_t units = 0; byte < line.size();) {
    const character_size size = character_at(line, byte);
    if (units + size.units > character) break;
    units += size.units;
    byte += size.bytes;
  }
  return byte;
}

std::int64_t utf16_column(std::string_view line, std::size_t byte) {
  std::int64_t units = 0;
  for (std::size_t at = 0; at < std::min(byte, line.size());) {
    const character_size size = character_at(line, at);
    units += size.units;
    at += size.bytes;
  }
  return units;
}

std::size_t byte_offset(std::string_view text, text_position position) {
  if (position.line < 0) return 0;
  const std::vector<std::size_t> starts = line_starts(text);
  if (static_cast<std::size_t>(position.line) >= starts.size()) return text.size();
  const std::size_t start = starts[static_cast<std::size_t>(position.line)];
  const std::size_t next = static_cast<std::size_t>(position.line) + 1 < starts.size()
                               ? starts[static_cast<std::size_t>(position.line) + 1]
                               : text.size();
  std::string_view line = text.substr(start, next - start);
  if (line.ends_with("\r\n")) line.remove_suffix(2);
  else if (line.ends_with('\n') || line.ends_with('\r')) line.remove_suffix(1);
  return start + byte_column(line, position.character);
}

}  // namespace compila::lsp
