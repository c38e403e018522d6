// Where editors and the server meet in a text: an editor names a place by
// line and character, counting characters in UTF-16 code units; the server
// holds the text as UTF-8 bytes. This is the one place that converts.
// Lines end at LF, CR LF or a lone CR, as editors count them. Bytes that
// are not UTF-8 count one code unit each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace compila::lsp {

struct text_position {
  std::int64_t line = 0;
  std::int64_t character = 0;  // UTF-16 code units from the line's start
  bool operator==(const text_position&) const = default;
};

// The byte offsets at which each line of `text` starts (the first is 0).
std::vector<std::size_t> line_starts(std::string_view text);

// The bytes of line `line` of `text` without its line end; empty past the last.
std::string_view line_text(std::string_view text, std::int64_t line);

// The byte in `line` (one line's text) at UTF-16 column `character`; the
// line's end for a column past it, and the start of a character whose
// code units the column splits.
std::size_t byte_column(std::string_view line, std::int64_t character);
// The UTF-16 column of byte `byte` of `line`.
std::int64_t utf16_column(std::string_view line, std::size_t byte);

// The byte offset in `text` of `position`, clamped into the text.
std::size_t byte_offset(std::string_view text, text_position position);

}  // namespace compila::lsp
