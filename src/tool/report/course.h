// The line's course in plan view, read from the plan's points and simplified
// for drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "format/binary_reader.h"

namespace compila::report {

// A plan point: its metre along the track and its coordinates in metres
// (x east, y north).
struct course_point {
  std::int32_t metre = 0;
  double x = 0;
  double y = 0;
};

// The points of the plan that hold a finite number in both coordinates, in
// metre order. Empty entries (the plan's last two points) are left out.
std::vector<course_point> course_points(const plan_points& plan);

// The same points, gathered while a line data file is read (stream_line_data)
// so that only they are held, not the file or its values.
class course_collector : public plan_point_sink {
 public:
  explicit course_collector(std::vector<course_point>& points) : points_(points) {}
  void point_count(std::size_t count) override;
  void point(std::size_t metre, const plan_value& x, const plan_value& y) override;

 private:
  std::vector<course_point>& points_;
};

// Douglas-Peucker: the indices into `points` of a subsequence, first and last
// included, such that every point lies within `tolerance_m` of the polyline
// through the kept points (measured to the segment that spans it).
std::vector<std::size_t> simplify_course(const std::vector<course_point>& points, double tolerance_m);

// The index of the last point at or before `metre` (0 when none).
std::size_t point_at_metre(const std::vector<course_point>& points, std::int32_t metre);

}  // namespace compila::report
