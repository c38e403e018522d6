// Small helpers shared by the parts of the report page: text made safe for
// HTML and SVG, numbers written for people, and reductions that keep the
// drawing light.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compila::report {

// Text from a scenario file made safe inside an HTML or SVG element or a
// quoted attribute: markup characters escaped, control characters and the
// bytes Windows-1252 leaves unassigned shown as "?", other bytes from 0x80 as
// their Windows-1252 characters.
std::string html_text(std::string_view bytes);

// A number with `decimals` digits after the point ("12.5"), "-0" written "0".
std::string number(double value, int decimals = 0);
// A whole number with thousands separated by commas ("1,007,000").
std::string grouped(std::int64_t value);
// A length for people: "850 m", "12.45 km".
std::string length_text(double metres);
// Seconds of a day as "hh:mm:ss".
std::string time_of_day(std::int32_t seconds);

// A count and its noun, singular for one: "1 warning board", "3 signals".
std::string counted(std::int64_t count, std::string_view singular, std::string_view plural);

// The smallest 1, 2 or 5 times a power of ten that is at least `value` (> 0).
double nice_step(double value);

// A point of a drawing in page pixels.
struct pixel_point {
  double x = 0;
  double y = 0;
};

// Keeps, of the points that fall in each one-pixel column (x ascending), the
// first, the lowest, the highest and the last: the drawn line looks the same,
// with at most four points a column.
std::vector<pixel_point> reduce_columns(const std::vector<pixel_point>& points);

// One step of an SVG path: the command letter and a point, "M12.5,40.0".
std::string path_step(char command, double x, double y);

// "x1,y1 x2,y2 ..." for a polyline's points, one decimal.
std::string polyline_points(const std::vector<pixel_point>& points);

// A label along an axis.
struct axis_label {
  double x = 0;
  std::string text;  // raw bytes from the files; escaped when drawn
};

// The labels kept when no two may stand closer than `gap` pixels, taking
// them in x order: the ones left out are counted in `hidden`.
std::vector<axis_label> thin_labels(std::vector<axis_label> labels, double gap, std::size_t& hidden);

}  // namespace compila::report
