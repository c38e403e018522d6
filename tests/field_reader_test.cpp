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
  for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999999", "9999999999999999999",
                          "-9999999999999999999", "12ab", "x", "1.5", "+", "-"}) {
    const std::string text = std::string("a\r\n  ") + bad + "\r\nb";
    field_reader reader(text);
    reader.read_text();
    EXPECT_EQ(reader.read_i32(), 0) << bad;
    EXPECT_TRUE(reader.failed()) << bad;
    EXPECT_EQ(reader.failure_line(), 2) << bad;
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
}

}  // namespace
}  // namespace compila
