#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "test_support.h"

namespace compila::testing {
namespace {

// Records start on line 4 of the line source.
scenario_model line(const std::string& records, std::int32_t route = 82000, bool with_plan = true) {
  return compiled_model(line_source(records, route), "", with_plan);
}

double at(const scenario_model& model, int coordinate, int m) {
  const plan_point point = model.track_plan.point(m);
  return std::get<double>(coordinate == 0 ? point.x : point.y);
}

using runs = std::vector<std::pair<int, int>>;  // {first cell, gradient byte} up to the last cell

TEST(LineGeometry, GradientProfiles) {
  const struct {
    std::string records;
    std::int32_t route;
    runs expected;
  } cases[] = {
      {"[pendenze]\r\npendenza,   0,    0\r\npendenza,  4750,   3\r\npendenza,  7500,   5\r\n"
       "pendenza,  20250,   7\r\npendenza,  29750,   14\r\npendenza,  34750,   26\r\n"
       "pendenza,  58250,   18\r\npendenza,  59000,   20\r\npendenza,  75400,   13\r\n"
       "pendenza,  81750,   8\r\npendenza,  81900,   5\r\npendenza,  82400,   0\r\n",
       82000,
       {{0, 100},
        {95, 103},
        {150, 105},
        {405, 107},
        {595, 114},
        {695, 126},
        {1165, 118},
        {1180, 120},
        {1508, 113},
        {1635, 108},
        {1638, 105},
        {1648, 100},
        {1778, 0}}},
      {"pendenza, 4750, 3\r\npendenza, 4750, 6\r\n", 82000, {{0, 100}, {95, 103}, {96, 106}, {1778, 0}}},
      {"pendenza, 0, -5\r\npendenza, 500, 200\r\n", 82000, {{0, 95}, {10, 44}, {1778, 0}}},
      {"pendenza, 0, 1\r\npendenza, 25, 2\r\n", 82000, {{0, 102}, {1778, 0}}},
      {"pendenza, 0, 1\r\npendenza, 75, 2\r\n", 82000, {{0, 101}, {2, 102}, {1778, 0}}},
      {"pendenza, -500, 4\r\n", 82000, {{0, 104}, {1778, 0}}},
      // Cells 0 to 140, 6900 the last position in range: each repeat writes one more cell.
      {"pendenza, 6900, 0\r\npendenza, 6900, 1\r\npendenza, 6900, 2\r\n"
       "pendenza, 6900, 3\r\npendenza, 6900, 4\r\npendenza, 6900, 5\r\n",
       0,
       {{0, 100}, {139, 101}, {140, 102}}},
  };
  for (const auto& [records, route, expected] : cases) {
    const scenario_model model = line(records, route);
    ASSERT_EQ(model.error_kind, 0) << records;
    for (std::size_t r = 0; r < expected.size(); ++r) {
      const int end = r + 1 < expected.size() ? expected[r + 1].first : model.cell_count + 1;
      for (int c = expected[r].first; c < end; ++c)
        ASSERT_EQ(model.cells[c].gradient, expected[r].second) << records << "cell " << c;
    }
  }
}

TEST(LineGeometry, StraightPlanWithoutCurves) {
  const scenario_model model = line("", 0);
  const std::vector<plan_point> points = model.track_plan.points();
  ASSERT_EQ(points.size(), 7001u);
  EXPECT_EQ(points[0], (plan_point{std::int16_t{0}, std::int16_t{0}}));
  EXPECT_EQ(points[1], (plan_point{std::int16_t{0}, std::int16_t{1}}));
  for (int m = 2; m <= 6998; ++m) ASSERT_EQ(points[m], (plan_point{0.0, double(m)})) << m;
  for (int m : {6999, 7000}) EXPECT_EQ(points[m], plan_point{}) << m;
}

TEST(LineGeometry, ShippedFirstCurve) {
  const scenario_model model = line("curvas3,  800,  300\r\n");
  EXPECT_EQ(model.error_kind, 0);
  EXPECT_EQ(std::pair(at(model, 0, 800), at(model, 1, 800)), std::pair(0.0, 800.0));
  EXPECT_EQ(std::pair(at(model, 0, 801), at(model, 1, 801)), std::pair(-0.0004, 801.0));
  EXPECT_NEAR(at(model, 0, 1100), -18.0386, 5e-5);
  EXPECT_NEAR(at(model, 1, 1100), 1099.2805, 5e-5);
  EXPECT_NEAR(at(model, 0, 1100) - at(model, 0, 1099), -0.1197, 5e-5);
  EXPECT_NEAR(at(model, 1, 1100) - at(model, 1, 1099), 0.9928, 5e-5);
  // After the curve the line runs straight on with the last step.
  EXPECT_NEAR(at(model, 0, 1200) - at(model, 0, 1100), 100 * (at(model, 0, 1100) - at(model, 0, 1099)), 1e-9);
}

TEST(LineGeometry, CurveClassAndSide) {
  const std::pair<const char*, double> cases[] = {{"curvad1", 0.0001},
                                                  {"curvad12", 0.0001},
                                                  {"curvaD6", 0.003},
                                                  {"CURVAS5", -0.002},
                                                  {"curvad4", 0.001}};
  for (const auto& [keyword, x801] : cases)
    EXPECT_EQ(at(line(std::string(keyword) + ", 800, 100\r\n", 0), 0, 801), x801) << keyword;
}

TEST(LineGeometry, WithoutPlanCurvesAreIgnoredAndTheReadingStaysInStep) {
  const scenario_model model = line("curvas3, 800, 300\r\ncurva, 1000, 50\r\npendenza, 1000, 5\r\n", 82000, false);
  EXPECT_EQ(model.error_kind, 0);
  EXPECT_FALSE(model.track_plan.exists());
  EXPECT_EQ(model.cells[20].gradient, 105);
}

TEST(LineGeometry, CurvePastTheEndOfThePlanStopsAtTheLastPoint) {
  const scenario_model model = line("curvad3, 6800, 5000\r\ncurvad3, 6850, 10\r\n", 0);
  EXPECT_EQ(model.error_kind, 0);
  ASSERT_EQ(model.track_plan.point_count(), 7001);
  EXPECT_GT(at(model, 1, 7000), at(model, 1, 6999));
}

TEST(LineGeometry, ExitsOfGradientAndCurveRecords) {
  // completed: the gradient profile and the plan were completed after the reading
  const struct {
    const char* records;
    std::int32_t route, code, line;
    bool completed;
  } cases[] = {
      {"pendenza, 88900, 5\r\n", 82000, 0, 0, true},
      {"\r\npendenza, 88950, 5\r\npendenza, 1000, 7\r\n", 82000, 15, 5, true},
      {"curvas3, 88950, 10\r\n", 82000, 15, 4, true},
      {"pendenza, 1000, 7\r\ncurva, 800, 300\r\n", 82000, 103, 5, false},
      {"curvas3, 800, x\r\n", 82000, 25, 4, false},
      {"curvad1, 0, 999999\r\n", 1'000'000, 0, 0, true},
      {"curvad1, 0, 1000000\r\n", 1'000'000, 103, 4, false},
      {"curvad1, 1000000, 10\r\n", 1'000'000, 103, 4, false},  // the straight run up to it passes the limit
  };
  for (const auto& c : cases) {
    const scenario_model model = line(c.records, c.route);
    EXPECT_EQ(model.error_kind, c.code) << c.records;
    EXPECT_EQ(model.diagnostic.line, c.line) << c.records;
    EXPECT_EQ(model.cells[30].gradient, c.completed ? 100 : 0) << c.records;
    EXPECT_EQ(model.track_plan.point(model.track_extent_m - 2).y.index() != 0, c.completed) << c.records;
  }
}

}  // namespace
}  // namespace compila::testing
