#include <algorithm>
#include <cmath>

#include "tool/report/drawing.h"
#include "tool/report/page_parts.h"

namespace compila::report {
namespace {

constexpr double margin = 24;
constexpr double top_margin = 36;       // room for the north arrow
constexpr double bottom_margin = 48;    // room for the scale bar
constexpr double largest_height = 640;  // of the course's box
constexpr double smallest_height = 160;

// Pixel position of plan coordinates: x east to the right, y north upward.
struct map_frame {
  double min_x = 0, max_y = 0, scale = 1, left = margin, top = top_margin;
  pixel_point at(double x, double y) const { return {left + (x - min_x) * scale, top + (max_y - y) * scale}; }
};

map_frame frame_for(const packed_course& points, double& box_height) {
  map_frame frame;
  if (points.empty()) {
    box_height = smallest_height;
    return frame;
  }
  const packed_course::box around = points.bounds();
  const double min_x = around.min_x, max_x = around.max_x, min_y = around.min_y, max_y = around.max_y;
  const double box_width = drawing_width - 2 * margin;
  const double dx = max_x - min_x, dy = max_y - min_y;
  double scale = 1;
  if (dx > 0 && dy > 0) scale = std::min(box_width / dx, largest_height / dy);
  else if (dx > 0) scale = box_width / dx;
  else if (dy > 0) scale = largest_height / dy;
  frame.scale = scale;
  frame.min_x = min_x;
  frame.max_y = max_y;
  frame.left = margin + (box_width - dx * scale) / 2;  // centred across
  box_height = std::max(smallest_height, dy * scale);
  frame.top = top_margin + (box_height - dy * scale) / 2;
  return frame;
}

// The drawn course between two metres: the plan points there, the kept
// points of the simplified course between them, both ends exact.
std::string course_between(const packed_course& points, const std::vector<std::size_t>& kept, const map_frame& frame,
                           std::int32_t from_m, std::int32_t to_m) {
  if (points.empty() || to_m < points.front().metre || from_m > points.back().metre) return {};
  const std::size_t first = point_at_metre(points, std::max(from_m, points.front().metre));
  const std::size_t last = point_at_metre(points, to_m);
  std::vector<pixel_point> line{frame.at(points[first].x, points[first].y)};
  auto k = std::upper_bound(kept.begin(), kept.end(), first);
  for (; k != kept.end() && *k < last; ++k) line.push_back(frame.at(points[*k].x, points[*k].y));
  line.push_back(frame.at(points[last].x, points[last].y));
  std::string d = path_step('M', line[0].x, line[0].y);
  for (std::size_t i = 1; i < line.size(); ++i) d += path_step('L', line[i].x, line[i].y);
  if (line.size() == 2 && first == last) d += "h0.01";
  return d;
}

// Round dots at the plan points of the given metres, as one path.
std::string dots_at(const packed_course& points, const map_frame& frame, const std::vector<std::int32_t>& metres) {
  std::string d;
  for (const std::int32_t m : metres) {
    if (points.empty() || m < points.front().metre || m > points.back().metre) continue;
    const course_point& p = points[point_at_metre(points, m)];
    const pixel_point at = frame.at(p.x, p.y);
    d += path_step('M', at.x, at.y) + "h0.01";
  }
  return d;
}

std::string scale_bar(const map_frame& frame, double y) {
  const double length_m = nice_step(0.18 * (drawing_width - 2 * margin) / frame.scale);
  const double length_px = length_m * frame.scale;
  const double x = margin;
  std::string svg =
      "<g class=\"scale-bar\"><path d=\"" + path_step('M', x, y - 6) + "v6h" + number(length_px, 1) + "v-6\"/>";
  svg += "<text x=\"" + number(x + length_px / 2, 1) + "\" y=\"" + number(y + 14, 1) + "\" text-anchor=\"middle\">" +
         length_text(length_m) + "</text></g>";
  return svg;
}

std::string north_arrow() {
  const double x = drawing_width - margin - 10;
  return "<g class=\"north\"><path d=\"M" + number(x, 0) + ",8l-6,14h12z\"/><text x=\"" + number(x, 0) +
         "\" y=\"33\" text-anchor=\"middle\">N</text></g>";
}

// Station circles and their names, a name left out where it would cover one
// already written.
std::string stations_on_map(const packed_course& points, const map_frame& frame, const line_features& features) {
  struct box {
    double left, top, right, bottom;
  };
  std::vector<box> taken;
  std::string marks = "<g class=\"map-stations\">", names = "<g class=\"map-names\">";
  for (const station& s : features.stations) {
    if (points.empty()) break;
    const std::int32_t m = std::clamp(s.at_m, points.front().metre, points.back().metre);
    const course_point& p = points[point_at_metre(points, m)];
    const pixel_point at = frame.at(p.x, p.y);
    marks += "<circle cx=\"" + number(at.x, 1) + "\" cy=\"" + number(at.y, 1) + "\" r=\"4\"><title>" +
             html_text(s.name) + " (" + length_text(s.at_m) + ")</title></circle>";
    const double width = 6.2 * static_cast<double>(std::min<std::size_t>(s.name.size(), 28)) + 4;
    box label{at.x + 7, at.y - 14, at.x + 7 + width, at.y + 2};
    if (label.right > drawing_width) label = {at.x - 7 - width, label.top, at.x - 7, label.bottom};
    const bool covered = std::any_of(taken.begin(), taken.end(), [&](const box& b) {
      return label.left < b.right && b.left < label.right && label.top < b.bottom && b.top < label.bottom;
    });
    if (covered) continue;
    taken.push_back(label);
    names += "<text x=\"" + number(label.left + 2, 1) + "\" y=\"" + number(label.bottom - 3, 1) + "\">" +
             html_text(s.name.substr(0, 28)) + "</text>";
  }
  return marks + "</g>" + names + "</g>";
}

// A ring around the plan point at the end of the route; the track and its
// plan run on beyond it.
std::string route_end_on_map(const packed_course& points, const map_frame& frame, std::int32_t route_length_m) {
  if (points.empty()) return {};
  const std::int32_t m = std::clamp(route_length_m, points.front().metre, points.back().metre);
  const course_point& p = points[point_at_metre(points, m)];
  const pixel_point at = frame.at(p.x, p.y);
  return "<circle class=\"map-route-end\" cx=\"" + number(at.x, 1) + "\" cy=\"" + number(at.y, 1) +
         "\" r=\"7\"><title>end of the route, " + grouped(route_length_m) + " m</title></circle>";
}

}  // namespace

std::string draw_map(const packed_course& points, const line_features& features, page_stats& stats) {
  double box_height = 0;
  const map_frame frame = frame_for(points, box_height);
  // Half a pixel: the simplified course stays within the width of its own line.
  const double tolerance_m = 0.5 / frame.scale;
  const std::vector<std::size_t> kept = simplify_course(points, tolerance_m);
  stats = {points.size(), kept.size(), tolerance_m};

  const double height = top_margin + box_height + bottom_margin;
  std::string svg = "<svg class=\"map\" viewBox=\"0 0 " + number(drawing_width) + " " + number(height) +
                    "\" role=\"img\" aria-label=\"map of the course\">";
  svg += "<rect class=\"frame\" x=\"0.5\" y=\"0.5\" width=\"" + number(drawing_width - 1) + "\" height=\"" +
         number(height - 1) + "\"/>";
  std::vector<pixel_point> course;
  course.reserve(kept.size());
  for (const std::size_t k : kept) {
    const course_point p = points[k];
    course.push_back(frame.at(p.x, p.y));
  }
  svg += "<polyline class=\"course\" points=\"" + polyline_points(course) + "\"/>";

  std::string tunnels, slowdowns;
  for (const run& r : features.tunnels)
    tunnels += course_between(points, kept, frame, r.first * cell_length_m, (r.last + 1) * cell_length_m);
  for (const slowdown& s : features.slowdowns)
    slowdowns += course_between(points, kept, frame, s.start_cell * cell_length_m, s.end_cell * cell_length_m);
  if (!tunnels.empty()) svg += "<path class=\"map-tunnels\" d=\"" + tunnels + "\"/>";
  if (!slowdowns.empty()) svg += "<path class=\"map-slowdowns\" d=\"" + slowdowns + "\"/>";
  std::vector<std::int32_t> signal_metres;
  for (const cell_object& s : features.signals) signal_metres.push_back(s.cell * cell_length_m);
  if (const std::string d = dots_at(points, frame, signal_metres); !d.empty())
    svg += "<path class=\"map-signals\" d=\"" + d + "\"/>";
  if (!points.empty()) {
    const pixel_point start = frame.at(points.front().x, points.front().y);
    const pixel_point end = frame.at(points.back().x, points.back().y);
    svg += "<path class=\"map-ends\" d=\"" + path_step('M', start.x, start.y) + "h0.01M" + number(end.x, 1) + "," +
           number(end.y, 1) + "h0.01\"/>";
  }
  svg += route_end_on_map(points, frame, features.route_length_m);
  svg += stations_on_map(points, frame, features);
  svg += scale_bar(frame, height - 22) + north_arrow() + "</svg>";
  return svg;
}

}  // namespace compila::report
