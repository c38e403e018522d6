// The track plan: the plan-view point (x, y) of the line at every metre, 0 to
// track_extent_m, as the line data file stores it.
//
// Points 0 and 1 are the integers (0, 0) and (0, 1). Every later point m
// continues the step from point m - 2 to point m - 1, turned by the curvature
// k of its run: (dx + k dy, dy - k dx) is added to point m - 1, or (dx, dy)
// on straight track. Points beyond the last one computed are empty.
//
// The plan keeps only its runs (where each stretch of one curvature ends) and
// recomputes the points in order, with the same double operations in the
// same order, whenever they are visited: every double comes out bit for bit
// as the step-by-step computation gives it, and the longest route's plan
// takes a few kilobytes instead of two million stored values.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

namespace compila {

// An element of the track plan: empty, a 16-bit integer or a double, as the
// line data file stores it (with the variant type codes 0, 2 and 5).
using plan_value = std::variant<std::monostate, std::int16_t, double>;

struct plan_point {
  plan_value x;
  plan_value y;
  bool operator==(const plan_point&) const = default;
};

class track_plan {
 public:
  // Points up to and including `last_point`, each turned by `curvature`.
  struct run {
    std::int32_t last_point = 0;
    double curvature = 0.0;
    bool operator==(const run&) const = default;
  };

  // No plan at all (no points).
  void clear() { *this = track_plan{}; }
  // Points 0 to `track_extent_m`, all empty.
  void create(std::int32_t track_extent_m);
  // Sets points 0 and 1; the next point to compute is 2.
  void place_origin();
  // Computes the points from the next one up to `last_point` (at most the
  // last point of the plan), each turned by `curvature`.
  void extend_to(std::int32_t last_point, double curvature);

  bool exists() const { return point_count_ > 0; }
  // track_extent_m + 1 once created, else 0.
  std::int32_t point_count() const { return point_count_; }
  // The first point not yet set: 0 before the origin, then 2 and upward.
  std::int32_t next_point() const { return next_point_; }
  const std::vector<run>& runs() const { return runs_; }

  // Calls visit(x, y) with the doubles of points 2 to next_point() - 1, in order.
  template <typename Visit>
  void for_each_computed_point(Visit&& visit) const;

  // Every point in order (for checks and tools: the build never holds them all).
  std::vector<plan_point> points() const;
  // One point, recomputed from the origin: linear in `m`.
  plan_point point(std::int32_t m) const;

  bool operator==(const track_plan&) const = default;

 private:
  std::int32_t point_count_ = 0;
  std::int32_t next_point_ = 0;
  std::vector<run> runs_;
};

template <typename Visit>
void track_plan::for_each_computed_point(Visit&& visit) const {
  // Points m - 2 and m - 1, starting from the origin's (0, 0) and (0, 1).
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 1.0;
  std::int32_t m = 2;
  for (const run& stretch : runs_) {
    const double k = stretch.curvature;
    for (; m <= stretch.last_point; ++m) {
      const double dx = x1 - x0;
      const double dy = y1 - y0;
      x0 = x1;
      y0 = y1;
      if (k == 0.0) {
        x1 = x1 + dx;
        y1 = y1 + dy;
      } else {
        x1 = x1 + (dx + k * dy);
        y1 = y1 + (dy - k * dx);
      }
      visit(x1, y1);
    }
  }
}

}  // namespace compila
