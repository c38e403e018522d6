// The field reader shared by both source compilers.
//
// A source file is one forward stream of fields. A field ends at a comma or at
// a line end (CR LF, LF or a lone CR); blanks (spaces and tabs) before a field
// are not part of it. A number field ends at the first blank after its first
// character; blanks after it are passed over and then one comma or one line
// end, if next, is consumed. So "11   34 30" holds three numbers and
// "0    ,0" two. An empty number field reads as 0. A text field runs up to its
// delimiter, without its trailing blanks; quotes are ordinary characters and
// an empty line is an empty field.
//
// A failed read (nothing left to read, a field that is not a number, a number
// too wide for its destination) is kept: the first failure stays recorded,
// later reads yield 0 or an empty text, and the caller tests `failed()` once
// the values of a record have been read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace compila {

class field_reader {
 public:
  explicit field_reader(std::string_view text) : text_(text) {}

  // True when nothing is left in the file.
  bool at_end() const { return pos_ >= text_.size(); }

  std::string read_text();
  // Text of at most `max_size` bytes; a longer one is a read failure.
  std::string read_text(std::size_t max_size);
  std::int32_t read_i32();
  std::int16_t read_i16();
  std::uint8_t read_u8();

  bool failed() const { return !failure_.empty(); }
  // What went wrong with the first failed read, and the line on which the
  // failing field begins (past the end of the file: the line of the last field).
  const std::string& failure() const { return failure_; }
  std::int32_t failure_line() const { return failure_line_; }

  // Line (from 1) on which the field last read begins.
  std::int32_t field_line() const { return field_line_; }

  // Only for a reading that goes on after a bad record: forgets the failure
  // and moves to the start of the next line, or to the start of the failed
  // field when that field opens a line below `record_line` (the record then
  // took the next record's keyword as a value). Always moves forward.
  void resume_at_next_line(std::int32_t record_line);

 private:
  void skip_blanks();
  bool at_delimiter() const;
  void consume_delimiter();
  bool start_field(const char* what);
  std::int64_t read_number(std::int64_t min, std::int64_t max, const char* width);
  void fail(std::string message);
  bool opens_line(std::size_t offset) const;
  void skip_to_next_line();

  std::string_view text_;
  std::size_t pos_ = 0;
  std::int32_t line_ = 1;
  std::int32_t field_line_ = 1;
  std::size_t field_begin_ = 0;
  std::string failure_;
  std::int32_t failure_line_ = 0;
  std::size_t failure_begin_ = 0;
};

// Keyword tests: does `field` contain `word`, exactly or without regard to the
// case of the letters A to Z?
bool contains(std::string_view field, std::string_view word);
bool contains_any_case(std::string_view field, std::string_view word);

}  // namespace compila
