// Windows-1252 and UTF-8: every byte survives the way there and back, the
// failures are found at their first byte, and only well-formed UTF-8 beyond
// ASCII counts as text saved as UTF-8.
#include "model/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace compila {
namespace {

TEST(TextEncoding, EveryWindows1252ByteComesBackFromItsUtf8Form) {
  for (int value = 0; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    std::string back;
    transcoding_failure failure;
    ASSERT_TRUE(utf8_to_windows_1252(windows_1252_to_utf8(byte), back, failure)) << value;
    EXPECT_EQ(back, byte) << value;
  }
}

TEST(TextEncoding, Windows1252ReadsTheUpperRangeAsTheCodePageDoes) {
  const struct {
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"PI\xC8 DEL COLLE", "PI\u00C8 DEL COLLE"},
      {"SANT\x92"
       "ELIA",
       "SANT\u2019ELIA"},
      {"\x80 \x8A \x9F", "\u20AC \u0160 \u0178"},
      {"\xA0\xFF", "\u00A0\u00FF"},
      {"\x81\x9D", "\u0081\u009D"},  // unassigned: kept as the controls of the same value
  };
  for (const auto& c : cases) EXPECT_EQ(windows_1252_to_utf8(c.bytes), c.utf8) << c.bytes;
}

TEST(TextEncoding, Utf8ThatHasNoWindows1252FormFailsAtItsFirstBadPlace) {
  using kind = transcoding_failure::kind;
  const struct {
    std::string utf8;
    kind what;
    std::size_t offset;
    char32_t character;
    unsigned char byte;
  } cases[] = {
      {"ab\u2192c\u2190", kind::no_1252_form, 2, 0x2192, 0},
      {"x\U0001F600", kind::no_1252_form, 1, 0x1F600, 0},
      {"\u0080", kind::no_1252_form, 0, 0x80, 0},
      {"PI\xC8", kind::not_utf8, 2, 0, 0xC8},            // Windows-1252, not UTF-8
      {"a\x80", kind::not_utf8, 1, 0, 0x80},             // a continuation byte alone
      {"\xC0\xAF", kind::not_utf8, 0, 0, 0xC0},          // overlong "/"
      {"\xE0\x80\xAF", kind::not_utf8, 0, 0, 0xE0},      // overlong "/"
      {"\xED\xA0\x80", kind::not_utf8, 0, 0, 0xED},      // a surrogate
      {"\xF4\x90\x80\x80", kind::not_utf8, 0, 0, 0xF4},  // above U+10FFFF
      {"ok\xE2\x82", kind::not_utf8, 2, 0, 0xE2},        // cut short at the end
  };
  for (const auto& c : cases) {
    std::string out;
    transcoding_failure failure;
    ASSERT_FALSE(utf8_to_windows_1252(c.utf8, out, failure)) << c.utf8;
    EXPECT_EQ(failure.what, c.what) << c.utf8;
    EXPECT_EQ(failure.offset, c.offset) << c.utf8;
    if (c.what == kind::no_1252_form) EXPECT_EQ(failure.character, c.character) << c.utf8;
    else EXPECT_EQ(failure.byte, c.byte) << c.utf8;
    const std::optional<std::size_t> not_utf8_at = first_non_utf8_byte(c.utf8);
    if (c.what == kind::not_utf8) EXPECT_EQ(not_utf8_at, c.offset) << c.utf8;
    else EXPECT_EQ(not_utf8_at, std::nullopt) << c.utf8;
  }
}

TEST(TextEncoding, OnlyWellFormedUtf8BeyondAsciiIsTakenForUndeclaredUtf8) {
  const struct {
    std::string line;
    bool utf8;
  } cases[] = {
      {"", false},
      {"stazione, 1000, PIE DEL COLLE", false},
      {"stazione, 1000, PI\u00C8 DEL COLLE", true},
      {"SANT\u2019ELIA", true},
      {"\xEF\xBB\xBF[generale]", true},  // a byte order mark
      {"PI\xC8 DEL COLLE", false},       // Windows-1252
      {"\u00C8 and \xC8", false},        // partly UTF-8 is not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(is_undeclared_utf8(c.line), c.utf8) << c.line;
}

TEST(TextEncoding, DeclaredNamesAreTheTwoEncodingsInAnyCase) {
  EXPECT_EQ(encoding_named("utf-8"), text_encoding::utf8);
  EXPECT_EQ(encoding_named("UTF-8"), text_encoding::utf8);
  EXPECT_EQ(encoding_named("Windows-1252"), text_encoding::windows_1252);
  EXPECT_EQ(encoding_named("utf8"), std::nullopt);
  EXPECT_EQ(encoding_named("latin-1"), std::nullopt);
  EXPECT_EQ(encoding_named(""), std::nullopt);
  EXPECT_EQ(encoding_named(encoding_name(text_encoding::windows_1252)), text_encoding::windows_1252);
}

}  // namespace
}  // namespace compila
