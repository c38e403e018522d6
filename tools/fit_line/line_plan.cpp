#include "line_plan.h"

#include <algorithm>
#include <cmath>

namespace fit_line {

namespace {

// One step of the plan at cursor m with curvature k (0 on straight track).
void step_plan(track_plan& plan, int m, double k) {
  const double dx = plan.x[m - 1] - plan.x[m - 2];
  const double dy = plan.y[m - 1] - plan.y[m - 2];
  if (k == 0.0) {
    plan.x[m] = plan.x[m - 1] + dx;
    plan.y[m] = plan.y[m - 1] + dy;
  } else {
    plan.x[m] = plan.x[m - 1] + (dx + k * dy);
    plan.y[m] = plan.y[m - 1] + (dy - k * dx);
  }
}

}  // namespace

track_plan compute_track_plan(const std::vector<curve_record>& curves, int track_extent_m) {
  track_plan plan;
  plan.x.assign(static_cast<std::size_t>(track_extent_m) + 1, 0.0);
  plan.y.assign(static_cast<std::size_t>(track_extent_m) + 1, 0.0);
  plan.y[1] = 1.0;
  int m = 2;
  for (const curve_record& curve : curves) {
    const double k = curvature_per_metre(curve);
    for (; m <= curve.start_m && m <= track_extent_m; ++m) step_plan(plan, m, 0.0);
    for (; m <= curve.end_m() && m <= track_extent_m; ++m) step_plan(plan, m, k);
  }
  for (; m <= track_extent_m - 2; ++m) step_plan(plan, m, 0.0);
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
