#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "line_plan.h"

namespace fit_line {
namespace {

TEST(TrackPlan, WithoutCurvesRunsStraightUpTheYAxis) {
  const track_plan plan = compute_track_plan({}, 5000);
  for (int m : {0, 1, 2, 801, 4998}) {
    EXPECT_EQ(plan.x[m], 0.0) << m;
    EXPECT_EQ(plan.y[m], static_cast<double>(m)) << m;
  }
  // The tail stops two points short of the extent; those stay empty.
  EXPECT_EQ(plan.y[4999], 0.0);
  EXPECT_EQ(plan.y[5000], 0.0);
}

TEST(TrackPlan, FirstCurveOfTheLineTurnsTowardsMinusX) {
  const track_plan plan = compute_track_plan({{'s', 3, 800, 300}}, 89000);
  EXPECT_EQ(plan.x[800], 0.0);
  EXPECT_EQ(plan.y[800], 800.0);
  EXPECT_EQ(plan.x[801], -0.0004);
  EXPECT_EQ(plan.y[801], 801.0);
  EXPECT_NEAR(plan.x[1100], -18.0386, 5e-5);
  EXPECT_NEAR(plan.y[1100], 1099.2805, 5e-5);
  EXPECT_NEAR(plan.x[1100] - plan.x[1099], -0.1197, 5e-5);
  EXPECT_NEAR(plan.y[1100] - plan.y[1099], 0.9928, 5e-5);
}

TEST(TrackPlan, SideDTurnsTowardsPlusXAndTheStepIsNotRenormalised) {
  const int length = 400;
  const track_plan plan = compute_track_plan({{'d', 6, 100, length}}, 2000);
  EXPECT_GT(plan.x[1998], 0.0);
  const double k = 0.003;
  const double step = std::hypot(plan.x[1998] - plan.x[1997], plan.y[1998] - plan.y[1997]);
  EXPECT_NEAR(step, std::pow(1.0 + k * k, length / 2.0), 1e-12);
  EXPECT_GT(step, 1.0 + 1e-3);
}

TEST(TrackPlan, CurveBehindTheCursorOnlyBendsTheMetresAhead) {
  // The second curve starts inside the first: no straight run, and its curved
  // run covers only 1101..1200, so it equals one curve of class 4 ending there.
  const track_plan overlapping = compute_track_plan({{'d', 4, 1000, 100}, {'d', 4, 1050, 150}}, 3000);
  const track_plan single = compute_track_plan({{'d', 4, 1000, 200}}, 3000);
  EXPECT_EQ(overlapping.x[2998], single.x[2998]);
  EXPECT_EQ(overlapping.y[2998], single.y[2998]);
}

struct closed_form_case {
  const char* name;
  std::vector<curve_record> curves;
  std::vector<int> points;  // in curves, between them and on the tail
  // (kept within 2 km: the step-by-step plan's own rounding grows with the
  // distance; against a long double walk the closed form is the closer one)
};

class ClosedForm : public ::testing::TestWithParam<closed_form_case> {};

TEST_P(ClosedForm, AgreesWithTheStepByStepPlan) {
  const closed_form_case& c = GetParam();
  const track_plan plan = compute_track_plan(c.curves, 2000);
  const double tolerance = 5e-9;
  for (int m : c.points) {
    const plan_end end = closed_form_plan_end(c.curves, m);
    EXPECT_NEAR(end.point.real(), plan.x[m], tolerance) << m;
    EXPECT_NEAR(end.point.imag(), plan.y[m], tolerance) << m;
    EXPECT_NEAR(end.step.real(), plan.x[m] - plan.x[m - 1], tolerance) << m;
    EXPECT_NEAR(end.step.imag(), plan.y[m] - plan.y[m - 1], tolerance) << m;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Curves, ClosedForm,
    ::testing::Values(
        closed_form_case{"one_class_5", {{'d', 5, 200, 600}}, {2, 200, 201, 500, 800, 1998}},
        closed_form_case{"touching_pair", {{'s', 6, 300, 350}, {'d', 4, 650, 700}}, {650, 651, 1000, 1350, 1998}},
        closed_form_case{"every_class",
                         {{'d', 1, 100, 300},
                          {'s', 2, 450, 200},
                          {'d', 3, 700, 150},
                          {'s', 4, 900, 300},
                          {'d', 5, 1250, 100},
                          {'s', 6, 1400, 400}},
                         {250, 800, 1300, 1399, 1400, 1650, 1998}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fit_line
