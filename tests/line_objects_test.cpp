#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "line_compiler/line_source.h"
#include "test_support.h"

namespace compila::testing {
namespace {

// Records start on line 4 of the line source.
scenario_model line(const std::string& records) { return compiled_model(line_source(records), "", 0); }

std::array<std::int16_t, 5> object(const track_cell& c) {
  return {c.cell_type, c.param_1, c.param_2, c.param_3, c.param_4};
}

TEST(LineObjects, MountainSpans) {
  // The cells and kind of the last span (none when first > last) and the tunnel markers.
  const struct {
    const char* records;
    int first, last, kind;
    std::set<int> markers;
  } cases[] = {
      {"montagna, 3400, 3400, 11", 68, 67, 0, {}},
      {"montagna, 3400, 3425, 11", 68, 68, 1, {}},
      {"montagna, 3400, 3475, 1", 68, 68, 1, {}},
      {"montagna,   3400,  3700,  11", 68, 73, 1, {71}},
      {"montagna, 3400, 3700, 5", 68, 73, 5, {}},
      {"montagna, 3400, 3700, 12", 68, 73, 2, {71}},
      {"montagna, 3400, 3700, 10", 68, 73, 10, {}},  // markers only above 10
      {"montagna, 3000, 3250, 11\r\nmontagna, 3400, 3700, 11", 68, 73, 3, {63, 71}},
      {"montagna, 3000, 3200, 11\r\nmontagna, 3400, 3700, 12", 68, 73, 2, {63, 71}},
      {"montagna, 3400, 3600, 1\r\nmontagna, 3400, 3700, 11", 68, 73, 3, {71}},
      // One metre more than the close-follow gap: the span keeps its kind.
      {"montagna, 3000, 3249, 11\r\nmontagna, 3400, 3700, 11", 68, 73, 1, {63, 71}},
      // The first span follows no other, however close to 0 it starts.
      {"montagna, 100, 400, 5", 2, 7, 5, {}},
      {"montagna, 0, 400, 12", 0, 7, 2, {3, 7}},
  };
  for (const auto& c : cases) {
    const scenario_model model = line(std::string(c.records) + "\r\n");
    ASSERT_EQ(model.error_kind, 0) << c.records << ": " << model.diagnostic.detail;
    for (int cell = std::max(c.first - 1, 0); cell <= c.last + 1; ++cell)
      EXPECT_EQ(model.cells[cell].tunnel_kind, cell >= c.first && cell <= c.last ? c.kind : 0) << c.records << cell;
    for (int cell : {0, 1, 2, 3, 4, 5, 6, 7, 8})
      EXPECT_EQ(model.cells[cell].cell_type, c.markers.count(cell) ? 11 : 0) << c.records << ", cell " << cell;
    for (int cell = 55; cell <= 80; ++cell)
      EXPECT_EQ(model.cells[cell].cell_type, c.markers.count(cell) ? 11 : 0) << c.records << ", cell " << cell;
  }
}

// The first board and the first signboard stand on tunnel markers and replace them.
TEST(LineObjects, SpeedIndicatorBoardsAndSignboards) {
  const scenario_model model = line(
      "montagna, 1400, 1700, 11\r\nmontagna, 35700, 36000, 12\r\n"
      "indicatori_vmax,  1500,  80,  80,  80,  0,  ,  ,  ,  0\r\n"
      "indicatori_vmax,  2000,  80,  80,  -40,  7,  80,  12,  0,  3\r\n"
      "cartello_indicatore,  35800,   (Km.35.800)\r\n"
      "cartello_indicatore,  72250,   (GALLERIA)(VALICO  )(m.8100  )\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(object(model.cells[31]), (std::array<std::int16_t, 5>{6, 1600, 1600, 1600, 0}));
  EXPECT_EQ(object(model.cells[41]), (std::array<std::int16_t, 5>{6, 1616, 1602, -800, 73}));
  EXPECT_EQ(object(model.cells[717]), (std::array<std::int16_t, 5>{14, 80, 0, 0, 0}));
  EXPECT_EQ(object(model.cells[1446]), (std::array<std::int16_t, 5>{14, 79, 0, 0, 0}));
  EXPECT_EQ(model.cells[31].tunnel_kind, 1);
  EXPECT_EQ(model.cells[717].tunnel_kind, 2);
  EXPECT_EQ(model.items[80].text, "(Km.35.800)");
  EXPECT_EQ(model.items[79].text, "(GALLERIA)(VALICO  )(m.8100  )");
  EXPECT_EQ(model.items[78].text, "");
}

// Each shipped keyword matches its own test only and reaches its own record
// (with the plan built, as a curve is read only then).
TEST(LineObjects, EachKeywordReachesItsOwnRecord) {
  struct effect {
    std::string record;
    std::function<bool(const scenario_model&)> placed;
  };
  const std::map<std::string_view, effect> effects = {
      {"pendenza", {"pendenza, 1000, 7", [](const scenario_model& m) { return m.cells[20].gradient == 107; }}},
      {"curva",
       {"curva 6, 1000, 500",
        [](const scenario_model& m) { return std::get<double>(m.track_plan.point(1200).x) != 0.0; }}},
      {"montagna", {"montagna, 3400, 3700, 1", [](const scenario_model& m) { return m.cells[68].tunnel_kind == 1; }}},
      {"indicatori_vmax",
       {"indicatori_vmax, 1500, 100, 100, 100, 0, , , , 0",
        [](const scenario_model& m) { return m.cells[31].cell_type == cell_kind::speed_board; }}},
      {"cartello_indicatore",
       {"cartello_indicatore, 1100, (X)",
        [](const scenario_model& m) {
          return m.cells[23].cell_type == cell_kind::signboard && m.items[80].text == "(X)";
        }}},
  };
  const std::span<const keyword_test> tests = line_record_tests();
  ASSERT_EQ(tests.size(), effects.size());
  compila::testing::expect_each_keyword_matches_only_its_own_test(tests);
  for (const keyword_test& test : tests) {
    const auto found = effects.find(test.record);
    ASSERT_NE(found, effects.end()) << test.record;
    const scenario_model model = compiled_model(line_source(found->second.record + "\r\n"), "", true);
    EXPECT_EQ(model.error_kind, 0) << found->second.record << ": " << model.diagnostic.detail;
    EXPECT_TRUE(found->second.placed(model)) << found->second.record;
  }
}

// "cartello indicatori_vmax" holds the speed board's and the signboard's
// keywords: the board reads its nine values first, then the signboard its two.
TEST(LineObjects, AFieldWithTwoKeywordsReadsBothInTableOrder) {
  const scenario_model model = line("cartello indicatori_vmax, 1500, 80, 80, 80, 0, , , , 0, 1100, (X)\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(object(model.cells[31]), (std::array<std::int16_t, 5>{6, 1600, 1600, 1600, 0}));
  EXPECT_EQ(object(model.cells[23]), (std::array<std::int16_t, 5>{14, 80, 0, 0, 0}));
  EXPECT_EQ(model.items[80].text, "(X)");
}

TEST(LineObjects, ExitsOfObjectRecords) {
  const std::string board = "indicatori_vmax, 1500, 80, 80, 80, 0, , , , 0\r\n";
  const std::string signboard = "cartello_indicatore, 1500, (X)\r\n";
  std::string signboards_81, spans_81;
  for (int i = 0; i < 81; ++i) {
    signboards_81 += "cartello_indicatore, " + std::to_string(100 * i) + ", (X)\r\n";
    spans_81 += "montagna, " + std::to_string(500 * i) + ", 0, 1\r\n";
  }
  // completed: the gradient profile was completed after the reading;
  // detail: what the diagnostic says, in part
  const struct {
    std::string records;
    std::int32_t code, line;
    bool completed;
    std::string detail = "";
  } cases[] = {
      {"\r\nindicatori_vmax, 88950, 80, 80, 80, 0, , , , 0\r\n" + board, 15, 5, true},
      {"cartello_indicatore, 88950, (X)\r\n" + signboard, 15, 4, true},
      {"montagna, 88950, 89000, 11\r\n", 15, 4, true},
      {board + "\r\n" + board, 21, 6, false},
      {signboard + signboard, 6, 5, false},
      {board + signboard, 6, 5, false},
      {signboard + board, 21, 5, false},
      {"indicatori_vmax, 1500, 2000, 0, 0, 0, 0, 0, 0, 0\r\n", 25, 4, false},
      {"montagna, 88000, 95000, 11\r\n", 25, 4, false},
      {signboards_81, 25, 84, false, "more than 80 signboards"},
      {spans_81, 25, 84, false, "more than 80 mountain spans"},
      {"montagna, -500, -100, 11\r\n", 25, 4, false, "the mountain span's first cell would fall on cell -10"},
      {"montagna, 88800, 89100, 11\r\n", 25, 4, false, "the mountain span's last cell would fall on cell 1781"},
  };
  for (const auto& c : cases) {
    const scenario_model model = line(c.records);
    EXPECT_EQ(model.error_kind, c.code) << c.records;
    EXPECT_EQ(model.diagnostic.line, c.line) << c.records;
    EXPECT_EQ(model.cells[1000].gradient, c.completed ? 100 : 0) << c.records;
    EXPECT_NE(model.diagnostic.detail.find(c.detail), std::string::npos) << model.diagnostic.detail;
  }
}

}  // namespace
}  // namespace compila::testing
