#include <gtest/gtest.h>

#include <array>
#include <map>
#include <span>
#include <string_view>
#include <tuple>
#include <utility>

#include "line_compiler/line_source.h"
#include "test_support.h"

namespace compila::testing {
namespace {

// The line source with the given general lines, then a record part of one gradient.
std::string text(const std::string& lines) {
  return "[generale]\r\n" + lines + "[curve]\r\npendenza, 1000, 7\r\n[fine]\r\n";
}
scenario_model general(const std::string& lines) { return compiled_model(text(lines), train_source(""), false); }

const std::string route = "lunghezza percorso, 5000\r\n";

TEST(LineGeneral, KeywordCaseCommentsAndSectionBounds) {
  const std::string dashes10 = "----------\r\n- a\r\n- b\r\n- c\r\n- d\r\n- e\r\n- f\r\n- g\r\n- h\r\n- i\r\n";
  const struct {
    std::string lines;
    int slot;
    std::int32_t item::*field;
    std::int32_t expected;
  } cases[] = {
      {"LUNGHEZZA Percorso, 6000\r\n", 84, &item::end_m, 6000},
      {"lunghezza percorso\r\n6000\r\n", 84, &item::end_m, 6000},
      {"lunghezza-percorso, 6000\r\n", 84, &item::end_m, 0},
      {route + "sfondo uno, 7\r\n", 85, &item::start_m, 7},
      {route + "Sfondo uno, 7\r\n", 85, &item::start_m, 0},
      {route + "sfondo due, 8, sfondo tre, 9\r\n", 85, &item::at_m, 8},
      {route + "Progressiva chilometrica tre,  0, 0, 0\r\nsfondo tre, 9\r\n", 85, &item::end_m, 9},
      {route + "Progressiva chilometrica uno, 0, 5000, 0\r\n", 81, &item::end_m, 0},
      {route + "progressiva chilometrica uno, 0, 5000, 0\r\n", 81, &item::end_m, 5000},
      {route + "Ripetizione segnali 4 codici, 100, 200\r\n", 86, &item::end_m, 0},
      {route + "[altro]\r\nsfondo uno, 7\r\n", 85, &item::start_m, 0},
      // The eleventh comment field in a row is tested as a keyword field.
      {dashes10 + "lunghezza-percorso, 6000\r\n", 84, &item::end_m, 6000},
  };
  for (const auto& c : cases) {
    const scenario_model model = general(c.lines);
    EXPECT_EQ(model.error_kind, 0) << c.lines << model.diagnostic.detail;
    EXPECT_EQ(model.items[c.slot].*c.field, c.expected) << c.lines;
  }
}

// Each shipped keyword matches its own test only and reaches its own record.
// The three chainage breakpoints, all at position 0, keep the slots they were
// read into, so a breakpoint read into the wrong slot shows.
TEST(LineGeneral, EachKeywordReachesItsOwnRecord) {
  const std::string breakpoints =
      "progressiva chilometrica uno, 0, 100, 0\r\nprogressiva chilometrica due, 0, 200, 0\r\n"
      "progressiva chilometrica tre, 0, 300, 0\r\n";
  struct effect {
    std::string lines;
    int slot;
    std::int32_t item::*field;
    std::int32_t expected;
  };
  const std::map<std::string_view, effect> effects = {
      {"lunghezza percorso", {"lunghezza percorso, 6000\r\n", 84, &item::end_m, 6000}},
      {"progressiva chilometrica tre", {route + breakpoints, 83, &item::end_m, 300}},
      {"progressiva chilometrica due", {route + breakpoints, 82, &item::end_m, 200}},
      {"progressiva chilometrica uno", {route + breakpoints, 81, &item::end_m, 100}},
      {"sfondo uno", {route + "sfondo uno, 7\r\n", 85, &item::start_m, 7}},
      {"sfondo due", {route + "sfondo due, 8\r\n", 85, &item::at_m, 8}},
      {"sfondo tre", {route + "sfondo tre, 9\r\n", 85, &item::end_m, 9}},
      {"ripetizione segnali 4 codici", {route + "ripetizione segnali 4 codici, 1000, 2000\r\n", 86, &item::at_m, 4}},
  };
  const std::span<const keyword_test> tests = general_record_tests();
  ASSERT_EQ(tests.size(), effects.size());
  compila::testing::expect_each_keyword_matches_only_its_own_test(tests);
  for (const keyword_test& test : tests) {
    const auto found = effects.find(test.record);
    ASSERT_NE(found, effects.end()) << test.record;
    const effect& e = found->second;
    const scenario_model model = general(e.lines);
    EXPECT_EQ(model.error_kind, 0) << e.lines << model.diagnostic.detail;
    EXPECT_EQ(model.items[e.slot].*e.field, e.expected) << test.record;
  }
}

// A field holding two keywords reads both records, each its own values, in
// the order of the table.
TEST(LineGeneral, AFieldWithTwoKeywordsReadsBothInTableOrder) {
  const scenario_model model = general(route + "sfondo tre uno, 7, 9\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(model.items[85].start_m, 7);
  EXPECT_EQ(model.items[85].end_m, 9);
}

TEST(LineGeneral, RouteLengthSizesTheCells) {
  struct {
    std::int32_t length, code, cells;
  } cases[] = {{82000, 0, 1780}, {1'000'000, 0, 20140}, {25, 0, 140}, {75, 0, 142}, {1'000'001, 1, -1}};
  for (const auto& c : cases) {
    const scenario_model model = general("lunghezza percorso, " + std::to_string(c.length) + "\r\n");
    EXPECT_EQ(model.error_kind, c.code) << c.length;
    EXPECT_EQ(model.items[84].end_m, c.length);
    EXPECT_EQ(static_cast<std::int32_t>(model.cells.size()) - 1, c.cells) << c.length;
    EXPECT_EQ(model.track_extent_m, c.code ? 0 : c.length + 7000);
  }
}

TEST(LineGeneral, SignalRepetition) {
  struct {
    const char* record;
    std::int32_t code, at;
  } cases[] = {
      {"ripetizione segnali 4 codici,    0    ,0", 0, 0},  {"ripetizione segnali 4 codici, 1000, 2000", 0, 4},
      {"ripetizione segnali 9 codici, 1000, -2000", 0, 9}, {"ripetizione segnali 9 o 4, 1000, 2000", 0, 4},
      {"ripetizione segnali, 1025, 2000", 3, 0},           {"ripetizione segnali 4, 1000, 2010", 4, 0},
      {"ripetizione segnali, 1000, 2000", 5, 0},
  };
  for (const auto& c : cases) {
    const scenario_model model = general(route + "\r\n" + c.record + "\r\n");
    EXPECT_EQ(model.error_kind, c.code) << c.record;
    EXPECT_EQ(model.items[86].at_m, c.at) << c.record;
    EXPECT_EQ(model.diagnostic.line, c.code ? 4 : 0) << c.record;
    EXPECT_EQ(model.cells[0].gradient, c.code == 0 ? 100 : 0) << "the record part was read: " << c.record;
  }
}

TEST(LineGeneral, SortChainageBreakpoints) {
  using nine = std::array<std::int32_t, 9>;  // position, chainage, flag of items 81, 82, 83
  const std::pair<nine, nine> cases[] = {
      // {as read from tre, due, uno; as sorted}
      {{0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{0, 0, 0, 0, 0, 0, 0, 5000, 1}, {0, 5100, 1, 0, 0, 0, 0, 0, 0}},
      {{0, 0, 0, 0, 300, 0, 0, -5, 0}, {0, 300, 0, 0, 0, 0, 0, -5, 0}},
      // Positions adding up to 0: the first positive chainage of uno, due, tre
      // leads; a zero chainage never does, whatever its flag.
      {{0, 300, 0, 0, 0, 0, 0, 0, 0}, {0, 300, 0, 0, 0, 0, 0, 0, 0}},
      {{0, 300, 0, 0, 200, 0, 0, 0, 0}, {0, 200, 0, 0, 300, 0, 0, 0, 0}},
      {{0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{0, 2, 0, 0, 0, 0, 0, 1, 0}, {0, 1, 0, 0, 0, 0, 0, 2, 0}},
      {{0, 300, 0, 0, 1, 0, 0, 0, 0}, {0, 1, 0, 0, 300, 0, 0, 0, 0}},
      {{0, 1, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0, 0, 0}},
      {{-1000, 40, 0, 1000, 0, 1, 0, 60, 0}, {0, 60, 0, 1000, 100, 1, -1000, 40, 0}},
      {{2000, 20, 0, 1000, 10, 0, 3000, 30, 1}, {3000, 130, 1, 2000, 20, 0, 1000, 10, 0}},
      {{3000, 30, 0, 1000, 10, 0, 1000, 11, 0}, {3000, 30, 0, 1000, 11, 0, 1000, 10, 0}},
      {{2000, 20, 1, 2000, 10, 1, 1000, 5, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& [read, sorted] : cases) {
    scenario_model model;
    for (int i = 0; i < 3; ++i)
      std::tie(model.items[81 + i].start_m, model.items[81 + i].end_m, model.items[81 + i].at_m) =
          std::tie(read[3 * i], read[3 * i + 1], read[3 * i + 2]);
    EXPECT_TRUE(sort_chainage_breakpoints(model));
    nine result;
    for (int i = 0; i < 3; ++i)
      std::tie(result[3 * i], result[3 * i + 1], result[3 * i + 2]) =
          std::tie(model.items[81 + i].start_m, model.items[81 + i].end_m, model.items[81 + i].at_m);
    EXPECT_EQ(result, sorted);
  }
}

TEST(LineGeneral, ExitsAndTheLinesTheyName) {
  const struct {
    std::string text;
    std::int32_t code, line;
  } cases[] = {
      // line -1: not checked
      {text("\r\nlunghezza percorso\r\n  1000001\r\n"), 1, 3},
      {text("\r\n\r\nlunghezza percorso\r\n  99999999999\r\n"), 25, 4},          // at the record's own line,
      {"x\r\n[generale]\r\nlunghezza percorso, 5000\r\n- a\r\n- b\r\n", 25, 5},  // comment skip past the end
      {"x\r\ny\r\n[generale]\r\n", 102, 3},
      // The last field of the file is never read as a record, here "sfondo uno".
      {"[generale]\r\nlunghezza percorso, 5000\r\nsfondo uno", 0, 0},
      // The chainage is checked after the train source, with the flag's 100 added.
      {text(route + "progressiva chilometrica uno, 0, 5050, 1\r\n"), 0, 0},
      {text(route + "progressiva chilometrica uno, 5025, 5000, 0\r\n"), 2, -1},
      {text(route + "progressiva chilometrica uno, 0, 2147483600, 1\r\n"), 25, -1},
      // The breakpoint named is the one that cannot take 100 more, not the
      // one sorted first whose value, raised, is as large.
      {text(route + "progressiva chilometrica uno, 2000, 2147483547, 1\r\n"
                    "progressiva chilometrica due, 1000, 2147483548, 1\r\n"),
       25, 4},
  };
  for (const auto& c : cases) {
    const scenario_model model = compiled_model(c.text, train_source(""), false);
    EXPECT_EQ(model.error_kind, c.code) << c.text << model.diagnostic.detail;
    if (c.line >= 0) {
      EXPECT_EQ(model.diagnostic.line, c.line) << c.text;
    }
  }
}

}  // namespace
}  // namespace compila::testing
