#include "tool/report/course.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <variant>

namespace compila::report {
namespace {

bool number_of(const plan_value& value, double& number) {
  if (const auto* integer = std::get_if<std::int16_t>(&value)) {
    number = *integer;
    return true;
  }
  if (const auto* real = std::get_if<double>(&value)) {
    number = *real;
    return std::isfinite(number);
  }
  return false;
}

// Squared distance from p to the segment a-b.
double squared_distance_to_segment(const course_point& p, const course_point& a, const course_point& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length_2 = dx * dx + dy * dy;
  double t = length_2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length_2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

}  // namespace

std::vector<course_point> course_points(const plan_points& plan) {
  std::vector<course_point> points;
  course_collector collector(points);
  const std::size_t count = std::min(plan[0].size(), plan[1].size());
  collector.point_count(count);
  for (std::size_t m = 0; m < count; ++m) collector.point(m, plan[0][m], plan[1][m]);
  return points;
}

void course_collector::point_count(std::size_t count) {
  points_.clear();
  points_.reserve(count);
}

void course_collector::point(std::size_t metre, const plan_value& x, const plan_value& y) {
  double px = 0, py = 0;
  if (number_of(x, px) && number_of(y, py)) points_.push_back({static_cast<std::int32_t>(metre), px, py});
}

std::vector<std::size_t> simplify_course(const std::vector<course_point>& points, double tolerance_m) {
  if (points.size() <= 2) {
    std::vector<std::size_t> all(points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
  }
  const double limit = tolerance_m * tolerance_m;
  std::vector<bool> keep(points.size(), false);
  keep.front() = keep.back() = true;
  // Spans still to split, worked off a stack so that a long line cannot
  // exhaust the call stack.
  std::vector<std::pair<std::size_t, std::size_t>> spans{{0, points.size() - 1}};
  while (!spans.empty()) {
    const auto [first, last] = spans.back();
    spans.pop_back();
    double farthest = -1;
    std::size_t split = first;
    for (std::size_t i = first + 1; i < last; ++i) {
      const double d = squared_distance_to_segment(points[i], points[first], points[last]);
      if (d > farthest) {
        farthest = d;
        split = i;
      }
    }
    if (farthest > limit) {
      keep[split] = true;
      spans.push_back({first, split});
      spans.push_back({split, last});
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < points.size(); ++i)
    if (keep[i]) kept.push_back(i);
  return kept;
}

std::size_t point_at_metre(const std::vector<course_point>& points, std::int32_t metre) {
  const auto after = std::upper_bound(points.begin(), points.end(), metre,
                                      [](std::int32_t m, const course_point& p) { return m < p.metre; });
  return after == points.begin() ? 0 : static_cast<std::size_t>(after - points.begin() - 1);
}

}  // namespace compila::report
