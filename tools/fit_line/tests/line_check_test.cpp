#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "line_check.h"
#include "line_constraints.h"
#include "mountain_rules.h"

namespace fit_line {
namespace {

std::string shipped_text() {
  std::ifstream in(SHIPPED_LINE_SOURCE, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> failed_names(const std::vector<check_result>& results) {
  std::vector<std::string> names;
  for (const check_result& r : results)
    if (!r.passed) names.push_back(r.name);
  return names;
}

bool some_failure_starts_with(const std::vector<check_result>& results, const std::string& prefix) {
  return std::any_of(results.begin(), results.end(),
                     [&](const check_result& r) { return !r.passed && r.name.starts_with(prefix); });
}

TEST(ShippedLineSource, MeetsEveryConstraint) {
  const std::string text = shipped_text();
  ASSERT_FALSE(text.empty()) << "cannot read " << SHIPPED_LINE_SOURCE;
  const std::vector<check_result> results = check_line_source(text, shipped_line_constraints());
  EXPECT_GT(results.size(), 60u);
  EXPECT_EQ(failed_names(results), std::vector<std::string>{});
}

// The shipped records, taken apart so that a case can spoil one of them.
struct records {
  std::vector<curve_record> curves;
  std::vector<mountain_span> spans;
};

records shipped_records() {
  records r;
  std::istringstream lines(shipped_text());
  for (std::string line; std::getline(lines, line);) {
    if (auto c = parse_curve(line)) r.curves.push_back(*c);
    if (auto s = parse_mountain(line)) r.spans.push_back(*s);
  }
  return r;
}

std::size_t index_of_start(const std::vector<curve_record>& curves, int start) {
  return static_cast<std::size_t>(
      std::find_if(curves.begin(), curves.end(), [&](const curve_record& c) { return c.start_m == start; }) -
      curves.begin());
}

// First free curve (not touching either neighbour, gaps of at least 100 m)
// after the given index: safe to move by 50 m without other effects.
std::size_t loose_curve_after(const std::vector<curve_record>& c, std::size_t from) {
  for (std::size_t i = from; i + 1 < c.size(); ++i)
    if (c[i].start_m - c[i - 1].end_m() >= 100 && c[i + 1].start_m - c[i].end_m() >= 100) return i;
  return 0;
}

struct record_case {
  const char* name;
  std::function<void(records&)> spoil;
  const char* failing_check;  // start of the name of a check that must fail
};

class SpoiltRecords : public ::testing::TestWithParam<record_case> {};

TEST_P(SpoiltRecords, AreRejected) {
  const line_constraints rules = shipped_line_constraints();
  records r = shipped_records();
  ASSERT_EQ(r.curves.size(), 106u);
  ASSERT_EQ(r.spans.size(), 60u);
  GetParam().spoil(r);
  const auto results = check_line_source(compose_line_source(r.curves, r.spans, rules.text), rules);
  EXPECT_TRUE(some_failure_starts_with(results, GetParam().failing_check))
      << "failed instead: " << ::testing::PrintToString(failed_names(results));
}

INSTANTIATE_TEST_SUITE_P(
    Line, SpoiltRecords,
    ::testing::Values(
        record_case{"curve_dropped", [](records& r) { r.curves.erase(r.curves.begin() + 40); }, "curve record count"},
        record_case{"side_flipped", [](records& r) { r.curves[loose_curve_after(r.curves, 2)].side ^= 's' ^ 'd'; },
                    "curve side/class counts"},
        record_case{"start_off_grid", [](records& r) { r.curves[loose_curve_after(r.curves, 20)].start_m += 25; },
                    "curve starts and lengths on the 50 m grid"},
        record_case{"second_longest",
                    [](records& r) {
                      auto i = loose_curve_after(r.curves, 30);
                      r.curves[i].length_m = 2000;
                    },
                    "only curvas3,  65400,  2000"},
        record_case{"overlap",
                    [](records& r) {
                      auto i = loose_curve_after(r.curves, 50);
                      r.curves[i].start_m = r.curves[i - 1].end_m() - 50;
                    },
                    "no two curves overlap"},
        record_case{"seventh_touching",
                    [](records& r) {
                      auto i = loose_curve_after(r.curves, 60);
                      r.curves[i].length_m += r.curves[i].start_m - r.curves[i - 1].end_m();
                      r.curves[i].start_m = r.curves[i - 1].end_m();
                    },
                    "exactly 6 curves end where"},
        record_case{"order_swapped", [](records& r) { std::swap(r.curves[70], r.curves[71]); },
                    "curve starts strictly ascending"},
        record_case{"required_row_moved", [](records& r) { r.curves[index_of_start(r.curves, 7150)].length_m = 100; },
                    "curve row curvad2,  7150,  50 present"},
        record_case{"plan_end_moved", [](records& r) { r.curves[loose_curve_after(r.curves, 80)].start_m += 50; },
                    "plan point 88998"},
        record_case{"spans_too_close", [](records& r) { r.spans[2].start_m = r.spans[1].end_m + 50; },
                    "at least 100 m between spans"},
        record_case{"second_8100_span", [](records& r) { r.spans[1].end_m = r.spans[1].start_m + 8100; },
                    "only montagna,   72300,  80400,  11"},
        record_case{"kind_12_elsewhere", [](records& r) { r.spans[1].kind = 12; }, "kind 11 except on the listed rows"},
        record_case{"close_gap_opened",
                    [](records& r) {
                      for (std::size_t i = 1; i < r.spans.size(); ++i)
                        if (r.spans[i].start_m - r.spans[i - 1].end_m <= 150 && r.spans[i].start_m != 6900) {
                          r.spans[i].start_m += 100;
                          return;
                        }
                    },
                    "8 spans compile to tunnel kind 3"},
        record_case{"marker_on_signboard_cell",
                    [](records& r) {
                      // cells 714..719: the fourth, 717, would be a marker
                      r.spans.push_back({35700, 36000, 11});
                      std::sort(r.spans.begin(), r.spans.end(), [](auto& a, auto& b) { return a.start_m < b.start_m; });
                    },
                    "cell 717 is not a tunnel marker"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string replace_first(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct text_case {
  const char* name;
  std::function<std::string(std::string)> spoil;
  const char* failing_check;
};

class SpoiltText : public ::testing::TestWithParam<text_case> {};

TEST_P(SpoiltText, IsRejected) {
  const std::string text = GetParam().spoil(shipped_text());
  ASSERT_NE(text, shipped_text());
  const auto results = check_line_source(text, shipped_line_constraints());
  EXPECT_TRUE(some_failure_starts_with(results, GetParam().failing_check))
      << "failed instead: " << ::testing::PrintToString(failed_names(results));
}

INSTANTIATE_TEST_SUITE_P(
    Line, SpoiltText,
    ::testing::Values(
        text_case{"crlf", [](std::string t) { return replace_first(t, "\n", "\r\n"); }, "LF line ends only"},
        text_case{"no_final_lf",
                  [](std::string t) {
                    t.pop_back();
                    return t;
                  },
                  "text ends with a single LF"},
        text_case{"extra_empty_line", [](std::string t) { return t + "\n"; }, "line count is 198"},
        text_case{"general_blanks", [](std::string t) { return replace_first(t, "    0    ,0", "    0,0"); },
                  "general section word for word"},
        text_case{"gradient_blanks",
                  [](std::string t) { return replace_first(t, "pendenza,   0,    0", "pendenza,  0,   0"); },
                  "gradient records word for word"},
        text_case{"curve_blanks",
                  [](std::string t) { return replace_first(t, "curvad3,  1400,  350", "curvad3,   1400,  350"); },
                  "every curve record in the form"},
        text_case{"curve_side_letter",
                  [](std::string t) { return replace_first(t, "curvad3,  1400", "curvax3,  1400"); },
                  "every curve record in the form"},
        text_case{"mountain_blanks",
                  [](std::string t) { return replace_first(t, "montagna,   3400", "montagna,  3400"); },
                  "every mountain record in the form"},
        text_case{"signboard_text", [](std::string t) { return replace_first(t, "(VALICO  )", "(VALICO)"); },
                  "signboard records word for word"},
        text_case{"sections_swapped",
                  [](std::string t) {
                    return replace_first(replace_first(t, "[cartelli]", "[tmp]"), "[indicazioni]", "[cartelli]");
                  },
                  "section headers in order"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComposedLineSource, PutsEachSectionInItsSlots) {
  const line_constraints rules = shipped_line_constraints();
  const records r = shipped_records();
  const std::string text = compose_line_source(r.curves, r.spans, rules.text);
  EXPECT_EQ(text, shipped_text());
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 198u);
  EXPECT_EQ(lines[0], "[generale]");
  EXPECT_EQ(lines[8], "ripetizione segnali 4 codici,    0    ,0");
  EXPECT_EQ(lines[9], "[curve]");
  EXPECT_EQ(lines[10], "curvas3,  800,  300");
  EXPECT_EQ(lines[115], "curvas2,  83050,  300");
  EXPECT_EQ(lines[116], "[pendenze]");
  EXPECT_EQ(lines[129], "[montagne]");
  EXPECT_EQ(lines[130], "montagna,   3400,  3700,  11");
  EXPECT_EQ(lines[189], "montagna,   81650,  82700,  11");
  EXPECT_EQ(lines[190], "[cartelli]");
  EXPECT_EQ(lines[194], "[indicazioni]");
  EXPECT_EQ(lines[197], "[fine]");
}

// The plan checks hold the end to two windows: the rounding of the stated
// figure and the narrower margin the search aims for.
struct plan_window_case {
  const char* name;
  double shift_x;  // moves the target for the end point's x
  double margin;
  bool rounds;
  bool within_margin;
};

class PlanWindows : public ::testing::TestWithParam<plan_window_case> {};

TEST_P(PlanWindows, TellRoundingFromMargin) {
  const plan_window_case& c = GetParam();
  plan_constraints rules = shipped_line_constraints().plan;
  const records r = shipped_records();
  const auto results = check_plan(r.curves, rules);
  const auto& x_rounds = results[1];
  ASSERT_TRUE(x_rounds.name.starts_with("plan point 88998 x rounds to"));
  const double x = std::stod(x_rounds.detail);
  rules.end_x = rounded_target{std::round(x * 100) / 100 + c.shift_x, 2, c.margin};
  const auto shifted = check_plan(r.curves, rules);
  EXPECT_EQ(shifted[1].passed, c.rounds);
  EXPECT_EQ(shifted[2].passed, c.within_margin);
}

INSTANTIATE_TEST_SUITE_P(Plan, PlanWindows,
                         ::testing::Values(plan_window_case{"on_target", 0.0, 0.002, true, true},
                                           plan_window_case{"narrow_margin", 0.0, 1e-7, true, false},
                                           plan_window_case{"next_hundredth", 0.01, 0.002, false, false},
                                           plan_window_case{"wide_margin_wrong_rounding", -0.01, 0.05, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MountainRules, CellsMarkersAndCompiledKinds) {
  const mountain_constraints rules = shipped_line_constraints().mountains;
  const mountain_span first{3400, 3700, 11};
  EXPECT_EQ(first_cell_of(first, rules), 68);
  EXPECT_EQ(last_cell_of(first, rules), 73);
  EXPECT_EQ(tunnel_marker_cells({first}, rules), std::vector<int>{71});

  const std::vector<int> long_span = tunnel_marker_cells({{72300, 80400, 11}}, rules);
  ASSERT_EQ(long_span.size(), 40u);
  EXPECT_EQ(long_span.front(), 1449);
  EXPECT_EQ(long_span.back(), 1605);

  EXPECT_EQ(tunnel_marker_cells({{3400, 4400, 5}}, rules), std::vector<int>{});  // no flag
  EXPECT_EQ(last_cell_of({3400, 3425, 11}, rules), 68);                          // 67.5 rounds to even
  EXPECT_EQ(last_cell_of({3400, 3475, 11}, rules), 68);                          // 68.5 rounds to even

  // Gaps of 150 and 200 m; a kind-12 span; a kind of 10 or less.
  EXPECT_EQ(compiled_tunnel_kinds({{6450, 6750, 11}, {6900, 7050, 11}, {7250, 7300, 12}, {7500, 7600, 5}}, rules),
            (std::vector<int>{1, 3, 2, 5}));
}

TEST(LineRecords, ParseOnlyTheExactForm) {
  EXPECT_EQ(parse_curve("curvas3,  800,  300"), (curve_record{'s', 3, 800, 300}));
  EXPECT_EQ(parse_mountain("montagna,   3400,  3700,  11"), (mountain_span{3400, 3700, 11}));
  for (const char* bad : {"curvas3,  0800,  300", "curvas7,  800,  300", "curvas3,  800,  300 ", "curvas3, 800, 300",
                          "curvas3,  800,  -300", "curvas3,  800"})
    EXPECT_FALSE(parse_curve(bad)) << bad;
  for (const char* bad : {"montagna,  3400,  3700,  11", "montagna,   3400,  3700", "montagne,   3400,  3700,  11"})
    EXPECT_FALSE(parse_mountain(bad)) << bad;
}

}  // namespace
}  // namespace fit_line
