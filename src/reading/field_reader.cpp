#include "reading/field_reader.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace compila {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Parses an optionally signed run of decimal digits that fills the whole
// token. Magnitudes beyond 18 digits saturate, so the width check rejects them.
bool parse_integer(std::string_view token, std::int64_t& value) {
  bool negative = false;
  if (!token.empty() && (token.front() == '+' || token.front() == '-')) {
    negative = token.front() == '-';
    token.remove_prefix(1);
  }
  if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos) return false;
  token.remove_prefix(std::min(token.find_first_not_of('0'), token.size()));
  if (token.size() > 18) {
    value = negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    return true;
  }
  std::int64_t magnitude = 0;
  std::from_chars(token.data(), token.data() + token.size(), magnitude);
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

void field_reader::skip_blanks() {
  while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
}

bool field_reader::at_delimiter() const {
  return pos_ >= text_.size() || text_[pos_] == ',' || is_line_end(text_[pos_]);
}

void field_reader::consume_delimiter() {
  if (pos_ >= text_.size()) return;
  if (text_[pos_] == ',') {
    ++pos_;
  } else if (text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
  } else if (text_[pos_] == '\n') {
    ++pos_;
    ++line_;
  }
}

void field_reader::fail(std::string message) {
  if (failure_.empty()) {
    failure_ = std::move(message);
    // The line of the failing field: the reader may already stand on the next
    // line once the field's own line end has been consumed.
    failure_line_ = field_line_;
    failure_begin_ = field_begin_;
  }
}

// True when only blanks stand between the start of its line and `offset`.
bool field_reader::opens_line(std::size_t offset) const {
  std::size_t i = offset;
  while (i > 0 && is_blank(text_[i - 1])) --i;
  return i == 0 || is_line_end(text_[i - 1]);
}

void field_reader::skip_to_next_line() {
  while (pos_ < text_.size() && !is_line_end(text_[pos_])) ++pos_;
  consume_delimiter();
}

void field_reader::resume_at_next_line(std::int32_t record_line) {
  if (failed()) {
    failure_.clear();
    pos_ = std::min(failure_begin_, text_.size());
    line_ = failure_line_;
    if (failure_line_ > record_line && opens_line(pos_)) {
      while (pos_ > 0 && is_blank(text_[pos_ - 1])) --pos_;
      return;
    }
    skip_to_next_line();
    return;
  }
  if (pos_ == 0 || pos_ >= text_.size() || is_line_end(text_[pos_ - 1])) return;
  skip_to_next_line();
}

// Positions the reader on the first character of the next field; false (and a
// recorded failure) when the reading has already failed or nothing is left.
bool field_reader::start_field(const char* what) {
  if (failed()) return false;
  if (at_end()) {
    // Nothing is left: the failure is reported on the line of the last field.
    field_begin_ = text_.size();
    fail(std::string("the file ends where ") + what + " was expected");
    return false;
  }
  skip_blanks();
  field_line_ = line_;
  field_begin_ = pos_;
  return true;
}

std::string field_reader::read_text() { return read_text(std::numeric_limits<std::size_t>::max()); }

std::string field_reader::read_text(std::size_t max_size) {
  if (!start_field("a text field")) return {};
  const std::size_t begin = pos_;
  while (!at_delimiter()) ++pos_;
  std::size_t end = pos_;
  while (end > begin && is_blank(text_[end - 1])) --end;
  std::string field(text_.substr(begin, end - begin));
  consume_delimiter();
  if (field.size() > max_size) {
    fail("a text of " + std::to_string(field.size()) + " characters is longer than the " + std::to_string(max_size) +
         " a record can hold");
    return {};
  }
  return field;
}

std::int64_t field_reader::read_number(std::int64_t min, std::int64_t max, const char* width) {
  if (!start_field("a number")) return 0;
  const std::size_t begin = pos_;
  while (pos_ < text_.size() && !is_blank(text_[pos_]) && !at_delimiter()) ++pos_;
  const std::string_view token = text_.substr(begin, pos_ - begin);
  skip_blanks();
  consume_delimiter();
  if (token.empty()) return 0;
  std::int64_t value = 0;
  if (!parse_integer(token, value)) {
    std::string message(1, '"');
    message.append(token.substr(0, 40)).append("\" is not a whole number");
    fail(std::move(message));
    return 0;
  }
  if (value < min || value > max) {
    fail(std::string(token.substr(0, 40)) + " does not fit a " + width + " field");
    return 0;
  }
  return value;
}

std::int32_t field_reader::read_i32() {
  return static_cast<std::int32_t>(
      read_number(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), "signed 32-bit"));
}

std::int16_t field_reader::read_i16() {
  return static_cast<std::int16_t>(
      read_number(std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(), "signed 16-bit"));
}

std::uint8_t field_reader::read_u8() { return static_cast<std::uint8_t>(read_number(0, 255, "unsigned 8-bit")); }

bool contains(std::string_view field, std::string_view word) { return field.find(word) != std::string_view::npos; }

bool contains_any_case(std::string_view field, std::string_view word) {
  const auto* const match = std::search(field.begin(), field.end(), word.begin(), word.end(),
                                        [](char a, char b) { return fold(a) == fold(b); });
  return match != field.end() || word.empty();
}

}  // namespace compila
