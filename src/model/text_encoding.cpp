#include "model/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace compila {
namespace {

// Bytes 0x80 to 0x9F of Windows-1252; the unassigned ones keep their value.
constexpr std::array<char32_t, 32> upper_controls_range{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<unsigned char> windows_1252_byte(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<unsigned char>(character);
  for (std::size_t i = 0; i < upper_controls_range.size(); ++i)
    if (upper_controls_range[i] == character) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The well-formed UTF-8 sequence at `at`: its character and length; nothing
// for a stray or truncated sequence, an overlong form, a surrogate or a value
// above U+10FFFF.
struct decoded_character {
  char32_t character;
  std::size_t length;
};
std::optional<decoded_character> decode_at(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return decoded_character{lead, 1};
  std::size_t length = 0;
  char32_t character = 0;
  char32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, character = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, character = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, character = lead & 0x07, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!is_continuation(byte)) return std::nullopt;
    character = (character << 6) | (byte & 0x3F);
  }
  if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return std::nullopt;
  return decoded_character{character, length};
}

}  // namespace

std::optional<text_encoding> encoding_named(std::string_view value) {
  std::string lower(value);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "utf-8") return text_encoding::utf8;
  if (lower == "windows-1252") return text_encoding::windows_1252;
  return std::nullopt;
}

std::string_view encoding_name(text_encoding encoding) {
  return encoding == text_encoding::utf8 ? "utf-8" : "windows-1252";
}

char32_t windows_1252_character(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return upper_controls_range[byte - 0x80];
  return byte;
}

std::string utf8_of(char32_t character) {
  std::string out;
  if (character < 0x80) {
    out += static_cast<char>(character);
  } else if (character < 0x800) {
    out += static_cast<char>(0xC0 | (character >> 6));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    out += static_cast<char>(0xE0 | (character >> 12));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (character >> 18));
    out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  }
  return out;
}

std::string windows_1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) out += utf8_of(windows_1252_character(static_cast<unsigned char>(c)));
  return out;
}

bool utf8_to_windows_1252(std::string_view utf8, std::string& windows_1252, transcoding_failure& failure) {
  windows_1252.clear();
  windows_1252.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const std::optional<decoded_character> decoded = decode_at(utf8, at);
    if (!decoded) {
      failure = {transcoding_failure::kind::not_utf8, at, static_cast<unsigned char>(utf8[at]), 0};
      return false;
    }
    const std::optional<unsigned char> byte = windows_1252_byte(decoded->character);
    if (!byte) {
      failure = {transcoding_failure::kind::no_1252_form, at, 0, decoded->character};
      return false;
    }
    windows_1252 += static_cast<char>(*byte);
    at += decoded->length;
  }
  return true;
}

std::optional<std::size_t> first_non_utf8_byte(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::optional<decoded_character> decoded = decode_at(text, at);
    if (!decoded) return at;
    at += decoded->length;
  }
  return std::nullopt;
}

bool is_undeclared_utf8(std::string_view line) {
  const bool beyond_ascii = std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; });
  return beyond_ascii && !first_non_utf8_byte(line);
}

}  // namespace compila
