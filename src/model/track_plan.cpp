#include "model/track_plan.h"

#include <algorithm>

namespace compila {

void track_plan::create(std::int32_t track_extent_m) {
  clear();
  point_count_ = track_extent_m + 1;
}

void track_plan::place_origin() {
  runs_.clear();
  next_point_ = std::min(2, point_count_);
}

void track_plan::extend_to(std::int32_t last_point, double curvature) {
  last_point = std::min(last_point, point_count_ - 1);
  if (next_point_ < 2 || last_point < next_point_) return;
  // A run with the same turn as the one before merely lengthens it.
  if (!runs_.empty() && runs_.back().curvature == curvature) runs_.back().last_point = last_point;
  else runs_.push_back({last_point, curvature});
  next_point_ = last_point + 1;
}

std::vector<plan_point> track_plan::points() const {
  std::vector<plan_point> all;
  all.reserve(static_cast<std::size_t>(point_count_));
  if (next_point_ >= 2) {
    all.push_back({std::int16_t{0}, std::int16_t{0}});
    all.push_back({std::int16_t{0}, std::int16_t{1}});
  }
  for_each_computed_point([&](double x, double y) { all.push_back({x, y}); });
  all.resize(static_cast<std::size_t>(point_count_));
  return all;
}

plan_point track_plan::point(std::int32_t m) const {
  if (m < 0 || m >= next_point_) return {};
  if (m == 0) return {std::int16_t{0}, std::int16_t{0}};
  if (m == 1) return {std::int16_t{0}, std::int16_t{1}};
  plan_point found;
  std::int32_t at = 2;
  for_each_computed_point([&](double x, double y) {
    if (at++ == m) found = {x, y};
  });
  return found;
}

}  // namespace compila
