#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "curve_search.h"
#include "line_check.h"
#include "line_constraints.h"
#include "line_plan.h"
#include "mountain_layout.h"

namespace fit_line {
namespace {

std::vector<std::string> failed_names(const std::vector<check_result>& results) {
  std::vector<std::string> names;
  for (const check_result& r : results)
    if (!r.passed) names.push_back(r.name);
  return names;
}

TEST(PlanError, MeasuresEachPartInUnitsOfItsMargin) {
  const std::vector<curve_record> curves{{'d', 5, 1000, 500}, {'s', 3, 4000, 800}};
  plan_constraints rules = shipped_line_constraints().plan;
  const plan_end end = closed_form_plan_end(curves, rules.last_point());
  rules.end_x.value = end.point.real();
  rules.end_y.value = end.point.imag();
  rules.last_step_length.value = std::abs(end.step);
  EXPECT_NEAR(plan_error(curves, rules), 0.0, 1e-6);
  rules.end_x.value += 3 * rules.end_x.margin;
  rules.last_step_length.value -= 4 * rules.last_step_length.margin;
  EXPECT_NEAR(plan_error(curves, rules), 5.0, 1e-5);
}

TEST(CurveSearch, InitialLayoutMeetsEveryCurveConstraint) {
  const curve_constraints rules = shipped_line_constraints().curves;
  for (std::uint64_t seed : {1u, 2u, 40517u}) {
    const auto layout = initial_curve_layout(rules, seed);
    ASSERT_TRUE(layout) << seed;
    EXPECT_TRUE(curve_layout_holds(*layout, rules));
    EXPECT_EQ(failed_names(check_curves(*layout, rules)), std::vector<std::string>{}) << seed;
  }
}

TEST(CurveSearch, InitialLayoutFollowsAChangedTouchingCount) {
  curve_constraints rules = shipped_line_constraints().curves;
  rules.touching_pairs = 9;
  const auto layout = initial_curve_layout(rules, 3);
  ASSERT_TRUE(layout);
  EXPECT_EQ(failed_names(check_curves(*layout, rules)), std::vector<std::string>{});
}

TEST(CurveSearch, ReachesALooseTargetKeepingTheCurveConstraints) {
  // Aim at the end of an unrelated layout, with margins of a few metres, so
  // that a short search must actually move the plan there.
  line_constraints rules = shipped_line_constraints();
  const auto other = initial_curve_layout(rules.curves, 99);
  ASSERT_TRUE(other);
  const plan_end target = closed_form_plan_end(*other, rules.plan.last_point());
  rules.plan.end_x = {target.point.real(), 2, 5.0};
  rules.plan.end_y = {target.point.imag(), 2, 5.0};
  rules.plan.last_step_length = {std::abs(target.step), 3, 0.002};
  curve_search_settings settings;
  settings.seed = 7;
  settings.anneal_steps = 60000;
  settings.rounds = 3;
  settings.goal = 1.0;
  const auto start = initial_curve_layout(rules.curves, settings.seed);
  ASSERT_TRUE(start);
  ASSERT_GT(plan_error(*start, rules.plan), 10.0);

  const auto found = search_curves(rules, settings, nullptr);
  ASSERT_TRUE(found);
  EXPECT_LE(found->error, 1.0);
  EXPECT_NEAR(plan_error(found->curves, rules.plan), found->error, 1e-12);
  EXPECT_EQ(failed_names(check_curves(found->curves, rules.curves)), std::vector<std::string>{});
  const auto again = search_curves(rules, settings, nullptr);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->curves, found->curves);
}

TEST(MountainLayout, MeetsEveryMountainConstraintAndRepeatsForASeed) {
  const mountain_constraints rules = shipped_line_constraints().mountains;
  mountain_layout_settings settings;
  const auto spans = lay_out_mountains(rules, settings);
  ASSERT_TRUE(spans);
  EXPECT_EQ(failed_names(check_mountains(*spans, rules)), std::vector<std::string>{});
  EXPECT_EQ(lay_out_mountains(rules, settings), spans);
  settings.seed += 1;
  const auto other = lay_out_mountains(rules, settings);
  ASSERT_TRUE(other);
  EXPECT_NE(other, spans);
  EXPECT_EQ(failed_names(check_mountains(*other, rules)), std::vector<std::string>{});
}

TEST(MountainLayout, FollowsChangedCountsOfCompiledKinds) {
  // Two more close gaps (kind 3) instead of spans of kind 1, and the other
  // kind-12 row close instead of a second one.
  mountain_constraints rules = shipped_line_constraints().mountains;
  rules.compiled_kind_counts = {{1, 45}, {2, 4}, {3, 11}};
  const auto spans = lay_out_mountains(rules, {});
  ASSERT_TRUE(spans);
  EXPECT_EQ(failed_names(check_mountains(*spans, rules)), std::vector<std::string>{});
}

TEST(MountainLayout, FailsPlainlyWhenTheSpansCannotFit) {
  mountain_constraints rules = shipped_line_constraints().mountains;
  rules.record_count = 400;  // far more spans than the stretches can hold
  EXPECT_FALSE(lay_out_mountains(rules, {}));
}

}  // namespace
}  // namespace fit_line
