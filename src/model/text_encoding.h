// The texts of a scenario and the simulator's code page. The simulator shows
// every text as Windows-1252, one byte a character; authors' editors save
// UTF-8. A folder says which one its files hold (scenario.txt's encoding=),
// and these functions turn one into the other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace compila {

// What a scenario folder declares its text files to be.
enum class text_encoding {
  undeclared,   // no encoding= line: the bytes go through as they are
  utf8,         // encoding=utf-8: read as UTF-8, written as Windows-1252
  windows_1252  // encoding=windows-1252: the bytes go through as they are
};

// The value of an encoding= line ("utf-8", "windows-1252", in any case);
// nothing for another value.
std::optional<text_encoding> encoding_named(std::string_view value);
// The value an encoding= line holds for `encoding` (declared ones only).
std::string_view encoding_name(text_encoding encoding);

inline constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";

// The character a Windows-1252 byte stands for. The five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the C1 control of the
// same value, as Windows itself converts them, so no byte is lost.
char32_t windows_1252_character(unsigned char byte);

// `text`, read as Windows-1252, written as UTF-8.
std::string windows_1252_to_utf8(std::string_view text);

// A character as UTF-8.
std::string utf8_of(char32_t character);

// Why a UTF-8 text has no Windows-1252 form, at the first place it fails.
struct transcoding_failure {
  enum class kind {
    not_utf8,     // `byte` at `offset` starts no well-formed UTF-8 sequence
    no_1252_form  // `character` at `offset` is not in the code page
  };
  kind what = kind::not_utf8;
  std::size_t offset = 0;
  unsigned char byte = 0;
  char32_t character = 0;
};

// `utf8` as Windows-1252 bytes; the failure at its first byte that is not
// UTF-8 or its first character that the code page lacks.
[[nodiscard]] bool utf8_to_windows_1252(std::string_view utf8, std::string& windows_1252, transcoding_failure& failure);

// Where `text` stops being well-formed UTF-8: the offset of the first byte
// that starts no well-formed sequence; nothing when it reads whole.
std::optional<std::size_t> first_non_utf8_byte(std::string_view text);

// True when `line` holds a byte above 0x7F and reads whole as UTF-8: text
// saved as UTF-8, which a folder that declares no encoding would hand to the
// simulator as raw bytes, shown garbled.
bool is_undeclared_utf8(std::string_view line);

}  // namespace compila
