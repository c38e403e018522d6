#include "line_plan.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "line_compiler/line_source.h"
#include "model/scenario_model.h"

namespace fit_line {

track_plan compute_track_plan(const std::vector<curve_record>& curves, int track_extent_m) {
  // A line source with the curves as its only records, read by the compiler
  // core's line compiler with the plan on.
  std::vector<std::string> lines;
  for (const curve_record& curve : curves) lines.push_back(format_curve(curve));
  const compila::scenario_model model =
      compile_with_core(track_extent_m - compila::extent_beyond_route_m, "[curve]", lines, /*with_plan=*/true);

  track_plan plan;
  plan.x.assign(static_cast<std::size_t>(track_extent_m) + 1, 0.0);
  plan.y.assign(static_cast<std::size_t>(track_extent_m) + 1, 0.0);
  plan.y[1] = 1.0;
  std::size_t m = 2;
  model.track_plan.for_each_computed_point([&](double x, double y) {
    plan.x[m] = x;
    plan.y[m] = y;
    ++m;
  });
  return plan;
}

namespace {

// w^n for w = 1 - i k, from its modulus sqrt(1 + k^2) and argument -atan(k).
std::complex<double> turn_power(double k, int n) {
  const double modulus = std::exp(0.5 * n * std::log1p(k * k));
  return std::polar(modulus, -n * std::atan(k));
}

}  // namespace

plan_end closed_form_plan_end(const std::vector<curve_record>& curves, int last_point) {
  plan_end end{{0.0, 1.0}, {0.0, 1.0}};
  int m = 2;  // next point to compute
  auto go_straight_to = [&](int last) {
    if (last >= m) {
      end.point += static_cast<double>(last - m + 1) * end.step;
      m = last + 1;
    }
  };
  for (const curve_record& curve : curves) {
    go_straight_to(std::min(curve.start_m, last_point));
    const int curved_metres = std::min(curve.end_m(), last_point) - m + 1;
    if (curved_metres <= 0) continue;
    const double k = curvature_per_metre(curve);
    const std::complex<double> w(1.0, -k);
    const std::complex<double> w_n = turn_power(k, curved_metres);
    // w + w^2 + ... + w^n = w (1 - w^n) / (1 - w), with 1 - w = i k.
    end.point += end.step * (w * (1.0 - w_n) / std::complex<double>(0.0, k));
    end.step *= w_n;
    m += curved_metres;
  }
  go_straight_to(last_point);
  return end;
}

}  // namespace fit_line
