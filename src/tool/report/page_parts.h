// The two drawings of the report page, each an inline <svg> element.
#pragma once

#include <string>
#include <vector>

#include "tool/report/course.h"
#include "tool/report/line_features.h"
#include "tool/report/report_page.h"

namespace compila::report {

inline constexpr double drawing_width = 1200;  // pixels of both drawings

// The course north up, equal scale on both axes, with a scale bar, stations,
// signals, tunnels and slowdowns; fills `stats`.
std::string draw_map(const packed_course& points, const line_features& features, page_stats& stats);

// The profiles and objects along the chainage axis.
std::string draw_profile(const line_features& features);

}  // namespace compila::report
