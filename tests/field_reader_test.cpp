#include "reading/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace compila {
namespace {

TEST(FieldReader, ReadsNumbersAcrossBlanksCommasAndLineEnds) {
  const std::pair<const char*, std::vector<std::int32_t>> cases[] = {
      {"11   34 30", {11, 34, 30}},
      {"0    ,0", {0, 0}},
      {"5,,  ,7", {5, 0, 0, 7}},
      {"  -12 ,+3\r\n4", {-12, 3, 4}},
      {"1\n2\r\n3\r4", {1, 2, 3, 4}},
      {"2147483647,-2147483648", {2147483647, -2147483647 - 1}},
      // Leading zeros do not count towards the digits a number may have.
      {"-0000000000000000000000042,00000000000000000000", {-42, 0}},
  };
  for (const auto& [text, expected] : cases) {
    field_reader reader(text);
    std::vector<std::int32_t> read;
    for (std::size_t i = 0; i < expected.size(); ++i) read.push_back(reader.read_i32());
    EXPECT_EQ(read, expected) << text;
    EXPECT_FALSE(reader.failed()) << text << ": " << reader.failure();
    EXPECT_TRUE(reader.at_end()) << text;
  }
}

TEST(FieldReader, BadNumbersAreReadFailuresOnTheirOwnLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"2147483648", "2147483648 does not fit a signed 32-bit field"},
      {"-2147483649", "-2147483649 does not fit a signed 32-bit field"},
      {"99999999999999999999999", "99999999999999999999999 does not fit a signed 32-bit field"},
      {"9999999999999999999", "9999999999999999999 does not fit a signed 32-bit field"},
      {"-9999999999999999999", "-9999999999999999999 does not fit a signed 32-bit field"},
      {"12ab", "\"12ab\" is not a whole number"},
      {"x", "\"x\" is not a whole number"},
      {"1.5", "\"1.5\" is not a whole number"},
      {"+", "\"+\" is not a whole number"},
      {"-", "\"-\" is not a whole number"},
  };
  for (const auto& [bad, message] : cases) {
    const std::string text = std::string("a\r\n  ") + bad + "\r\nb";
    field_reader reader(text);
    reader.read_text();
    EXPECT_EQ(reader.read_i32(), 0) << bad;
    EXPECT_TRUE(reader.failed()) << bad;
    EXPECT_EQ(reader.failure(), message);
    EXPECT_EQ(reader.failure_line(), 2) << bad;
  }
}

// A reading that goes on after a bad record: from a bad value it goes to the
// next line; from a value missing, which took the next line's first field,
// back to that field.
TEST(FieldReader, ResumesAtTheNextLineOrAtTheFieldThatFailed) {
  const struct {
    const char* text;
    int numbers;  // the record's numbers after its keyword
    const char* next;
    std::int32_t next_line;
  } cases[] = {
      {"a, x, 5\r\nb, 1\r\n", 2, "b", 2},
      {"a, 1\r\nb, 2\r\n", 2, "b", 2},
      {"a, 1\r\n   b, 2\r\n", 2, "b", 2},
      {"a, 1 \nb, 2\n", 2, "b", 2},
      {"a, 1, 2 x\r\nb\r\n", 3, "b", 2},
      {"a, 1\r\n2, x\r\nc\r\n", 3, "c",
       3},  // the failed field is not the first of its line {"a, 1\r\n\r\n", 3, "", 2},
  };
  for (const auto& c : cases) {
    field_reader reader(c.text);
    reader.read_text();
    for (int i = 0; i < c.numbers; ++i) reader.read_i32();
    ASSERT_TRUE(reader.failed()) << c.text;
    reader.resume_at_next_line(1);
    EXPECT_FALSE(reader.failed()) << c.text;
    EXPECT_EQ(reader.read_text(), c.next) << c.text;
    EXPECT_EQ(reader.field_line(), c.next_line) << c.text;
  }
}

TEST(FieldReader, ReadingPastTheEndFailsOnTheLastFieldsLine) {
  field_reader reader("pendenza\r\n  100\r\n");
  EXPECT_EQ(reader.read_text(), "pendenza");
  EXPECT_FALSE(reader.at_end());
  EXPECT_EQ(reader.read_i32(), 100) << "a keyword on one line, its number on the next";
  EXPECT_TRUE(reader.at_end()) << "nothing but the last field's own line end remains";
  EXPECT_FALSE(reader.failed());
  reader.read_i32();
  ASSERT_TRUE(reader.failed());
  EXPECT_EQ(reader.failure_line(), 2);
}

TEST(FieldReader, TextFieldsKeepInnerBlanksAndEmptyLinesAreFields) {
  field_reader reader(" pendenza ,  (GALLERIA)(VALICO  )(m.8100  )  \r\n\r\n\"a, b\"\n[fine]");
  EXPECT_EQ(reader.read_text(), "pendenza");
  EXPECT_EQ(reader.read_text(), "(GALLERIA)(VALICO  )(m.8100  )");
  EXPECT_EQ(reader.read_text(), "");
  const std::string quoted = reader.read_text();
  EXPECT_EQ(quoted + reader.read_text(), "\"ab\"") << "quotes are ordinary characters";
  EXPECT_FALSE(reader.at_end());
  EXPECT_EQ(reader.read_text(), "[fine]");
  EXPECT_EQ(reader.field_line(), 4);
  EXPECT_TRUE(reader.at_end()) << "the last field without a line end";

  field_reader blanks(" a ,  , b");
  EXPECT_EQ(blanks.read_text(), "a");
  EXPECT_EQ(blanks.read_text(), "") << "a field of blanks is empty";
  EXPECT_EQ(blanks.read_text(), "b");
}

}  // namespace
}  // namespace compila
