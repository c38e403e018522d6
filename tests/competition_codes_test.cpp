#include "driver/competition_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace compila {
namespace {

struct codes {
  std::int32_t og, st;
  bool operator==(const codes&) const = default;
};

// The codes read the copies of the names in items 86 (train) and 85 (line).
codes codes_of(const std::string& train, const std::string& line) {
  scenario_model model;
  model.train_number = "ignored";
  model.line_name = "ignored";
  model.items[86].text = train;
  model.items[85].text = line;
  return {plain_competition_code(model), weighted_competition_code(model)};
}

TEST(CompetitionCodes, TableOfNames) {
  struct row {
    const char* train;
    const char* line;
    codes expected;
  };
  const row rows[] = {
      {"40517", "Corvalia_Brunasco-Alpestra", {2312, 32122}},
      {"40517", "CORVALIA_BRUNASCO-ALPESTRA", {2312, 32122}},
      {"40517", "corvalia_brunasco-alXXXXXX", {2312, 32122}},  // only positions 1 to 25 count
      {"Corvalia_Brunasco-Alpestra", "40517", {2613, 33922}},
      {"", "", {2666, 35697}},  // "bbcceeffgghhllmmnnpprrsst", the filler alone
      {"aaaaa", "AAAAAAAAAAAAAAAAAAAA", {2425, 31525}},
      {"", "aaaaaaaaaaaaaaaaaaaaaaaaa~~~", {2425, 31525}},
      {"", "aaaaaaaaaaaaaaaaaaaaaaa", {2425 - 2 * 97 + 2 * 98, 31525 + 24 + 25}},  // filler "bb" at 24, 25
      {"\xC9", "", {201 + 2666 - 't', 35548}},  // a byte above 127 counts 0 to 255, unchanged
      {"@AZ[", "", {2580, 34696}},              // A and Z are lower-cased, the bytes either side of them are not
  };
  for (const row& r : rows) EXPECT_EQ(codes_of(r.train, r.line), r.expected) << r.train << " + " << r.line;
}

TEST(CompetitionCodes, ReorderingKeepsThePlainSumButNotTheWeightedOne) {
  const codes forward = codes_of("ab", "");
  const codes reversed = codes_of("ba", "");
  EXPECT_EQ(forward.og, reversed.og);
  EXPECT_EQ(forward.st - reversed.st, 1);  // 97 + 2 * 98 against 98 + 2 * 97
}

TEST(CompetitionCodes, TheCodeStringIsLeftInCurrentLine) {
  scenario_model model;
  model.items[86].text = "40517";
  model.items[85].text = "Corvalia_Brunasco-Alpestra";
  model.current_line = "previous field";
  const std::int32_t first = weighted_competition_code(model);
  EXPECT_EQ(model.current_line, "40517corvalia_brunasco-alpestrabbcceeffgghhllmmnnpprrsstt");
  EXPECT_EQ(weighted_competition_code(model), first);
  EXPECT_EQ(model.items[85].text, "Corvalia_Brunasco-Alpestra");
}

}  // namespace
}  // namespace compila
