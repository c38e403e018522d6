// What the live page's profile tells under the pointer: the chainage axis of
// the profile drawing and, along it, the height, gradient, speed limit and
// adhesion runs and the records of the sources that placed things there.
#pragma once

#include <string>

#include "tool/report/report_input.h"

namespace compila::serve {

// The profile drawing's chainage axis, in its viewBox units: metre m at
// left + m / extent_m × width.
struct profile_axis {
  double left = 0;
  double width = 0;
  double extent_m = 0;
};

profile_axis profile_axis_of(const report::drawn_scenario& drawn);

// The data the page's script reads under the pointer, as a JSON object.
std::string profile_hover_json(const report::drawn_scenario& drawn);

}  // namespace compila::serve
