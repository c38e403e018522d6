#include <algorithm>
#include <cmath>
#include <map>

#include "tool/report/drawing.h"
#include "tool/report/page_parts.h"

namespace compila::report {
namespace {

constexpr double left_margin = 150;  // band titles and value labels
constexpr double right_margin = 16;
constexpr double band_gap = 10;
constexpr double label_gap = 12;         // pixels between two upright labels
constexpr std::size_t label_chars = 24;  // longer names and texts are cut in the drawing

// The shared chainage axis: metre m of the track at pixel x(m).
struct chainage_axis {
  double extent_m = cell_length_m;
  double width = drawing_width - left_margin - right_margin;
  double x(double m) const { return left_margin + std::clamp(m, 0.0, extent_m) / extent_m * width; }
  double cell_x(std::int32_t cell) const { return x(static_cast<double>(cell) * cell_length_m); }
};

struct profile_svg {
  chainage_axis axis;
  double y = 8;  // top of the next band
  std::string body;

  void band_title(const std::string& title, double band_height) {
    body += "<text class=\"band-title\" x=\"6\" y=\"" + number(y + std::min(band_height, 28.0) / 2 + 4, 1) + "\">" +
            title + "</text>";
  }
  void value_label(double at_y, const std::string& text) {
    body += "<text class=\"value\" x=\"" + number(left_margin - 4, 1) + "\" y=\"" + number(at_y + 3.5, 1) +
            "\" text-anchor=\"end\">" + text + "</text>";
  }
  void rule(double at_y, const char* css_class) {
    body += "<path class=\"" + std::string(css_class) + "\" d=\"" + path_step('M', left_margin, at_y) + "h" +
            number(axis.width, 1) + "\"/>";
  }
  void polyline(const std::vector<pixel_point>& points, const char* css_class) {
    body += "<polyline class=\"" + std::string(css_class) + "\" points=\"" + polyline_points(reduce_columns(points)) +
            "\"/>";
  }
};

// A step line through the runs, value v drawn at pixel y_of(v).
template <typename y_of_value>
std::vector<pixel_point> steps(const chainage_axis& axis, const std::vector<run>& runs, y_of_value y_of) {
  std::vector<pixel_point> points;
  points.reserve(runs.size() * 2);
  for (const run& r : runs) {
    const double y = y_of(r.value);
    points.push_back({axis.cell_x(r.first), y});
    points.push_back({axis.cell_x(r.last + 1), y});
  }
  return points;
}

int largest_value(const std::vector<run>& runs, bool magnitude) {
  int largest = 0;
  for (const run& r : runs) largest = std::max(largest, magnitude ? std::abs(r.value) : r.value);
  return largest;
}

void height_band(profile_svg& page, const line_features& f) {
  constexpr double h = 130;
  page.band_title("Height", h);
  const auto [low, high] = std::minmax_element(f.height_m.begin(), f.height_m.end());
  double min = f.height_m.empty() ? 0 : *low, max = f.height_m.empty() ? 0 : *high;
  if (max - min < 1) max = min + 1;
  const auto y_of = [&](double v) { return page.y + 6 + (max - v) / (max - min) * (h - 12); };
  page.rule(y_of(max), "guide");
  page.rule(y_of(min), "guide");
  page.value_label(y_of(max), number(max, 0) + " m");
  page.value_label(y_of(min), number(min, 0) + " m");
  std::vector<pixel_point> points;
  points.reserve(f.height_m.size());
  for (std::size_t k = 0; k < f.height_m.size(); ++k)
    points.push_back({page.axis.cell_x(static_cast<std::int32_t>(k)), y_of(f.height_m[k])});
  page.polyline(points, "profile-height");
  page.y += h + band_gap;
}

void gradient_band(profile_svg& page, const line_features& f) {
  constexpr double h = 80;
  page.band_title("Gradient", h);
  const int largest = std::max(1, largest_value(f.gradient, true));
  const double middle = page.y + h / 2;
  const auto y_of = [&](int v) { return middle - v * (h / 2 - 4) / largest; };
  page.rule(middle, "zero");
  page.value_label(y_of(largest), std::string("+").append(std::to_string(largest)) + " &#8240;");
  page.value_label(middle, "0");
  page.value_label(y_of(-largest), std::string("-").append(std::to_string(largest)) + " &#8240;");
  page.polyline(steps(page.axis, f.gradient, y_of), "profile-gradient");
  page.y += h + band_gap;
}

// A step band from zero up, with the value written over each run wide
// enough to hold it.
void level_band(profile_svg& page, const std::vector<run>& runs, const std::string& title, const std::string& unit,
                double h, const char* css_class, int floor_of_top) {
  page.band_title(title, h);
  const int top = std::max({1, floor_of_top, largest_value(runs, false)});
  const double bottom = page.y + h;
  const auto y_of = [&](int v) { return bottom - v * (h - 14) / top; };
  page.rule(bottom, "zero");
  page.value_label(y_of(top), std::to_string(top) + " " + unit);
  page.value_label(bottom, "0");
  page.polyline(steps(page.axis, runs, y_of), css_class);
  for (const run& r : runs) {
    const double x0 = page.axis.cell_x(r.first), x1 = page.axis.cell_x(r.last + 1);
    if (x1 - x0 < 28) continue;
    page.body += "<text class=\"run-value\" x=\"" + number((x0 + x1) / 2, 1) + "\" y=\"" +
                 number(y_of(r.value) - 3, 1) + "\" text-anchor=\"middle\">" + std::to_string(r.value) + "</text>";
  }
  page.y += h + band_gap;
}

void tunnel_band(profile_svg& page, const line_features& f) {
  constexpr double h = 16;
  page.band_title("Tunnels", h);
  std::map<int, std::string> paths;  // by tunnel kind
  for (const run& r : f.tunnels) {
    const double x0 = page.axis.cell_x(r.first), x1 = page.axis.cell_x(r.last + 1);
    paths[std::clamp(r.value, 1, 4)] += path_step('M', x0, page.y + 2) + "h" + number(std::max(x1 - x0, 0.8), 1) + "v" +
                                        number(h - 4, 1) + "h" + number(-std::max(x1 - x0, 0.8), 1) + "z";
  }
  for (const auto& [kind, d] : paths)
    page.body += "<path class=\"tunnel kind-" + std::to_string(kind) + "\" d=\"" + d + "\"/>";
  page.y += h + band_gap;
}

// Upright labels standing on `base`, thinned so that they do not touch.
void upright_labels(profile_svg& page, std::vector<axis_label> labels, double base, const char* css_class) {
  std::size_t hidden = 0;
  for (const axis_label& label : thin_labels(std::move(labels), label_gap, hidden)) {
    std::string text = label.text.substr(0, label_chars);
    if (label.text.size() > label_chars) text += "...";
    // A text cut here is whole in its tooltip (and in the tables below).
    const std::string tooltip = label.text.size() > label_chars ? "<title>" + html_text(label.text) + "</title>" : "";
    page.body += "<text class=\"" + std::string(css_class) + "\" transform=\"translate(" + number(label.x + 4, 1) +
                 "," + number(base, 1) + ") rotate(-90)\">" + tooltip + html_text(text) + "</text>";
  }
  if (hidden > 0)
    page.body += "<text class=\"value\" x=\"" + number(left_margin - 4, 1) + "\" y=\"" + number(base, 1) +
                 "\" text-anchor=\"end\">" + std::to_string(hidden) + " more</text>";
}

void station_band(profile_svg& page, const line_features& f) {
  constexpr double names = 140, marks = 22;
  page.band_title("Stations", names + marks);
  std::vector<axis_label> labels;
  std::string spans, positions, stops;
  const double mark_top = page.y + names;
  for (const station& s : f.stations) {
    const double x0 = page.axis.x(s.start_m), x1 = page.axis.x(s.end_m), at = page.axis.x(s.at_m);
    spans += path_step('M', x0, mark_top + 6) + "h" + number(std::max(x1 - x0, 1.0), 1) + "v8h" +
             number(-std::max(x1 - x0, 1.0), 1) + "z";
    positions += path_step('M', at, mark_top) + "v20";
    for (const std::int32_t stop : s.stops_m) stops += path_step('M', page.axis.x(stop), mark_top + 20) + "l-4,-7h8z";
    labels.push_back({at, s.name});
  }
  upright_labels(page, std::move(labels), mark_top - 3, "station-name");
  page.body += "<path class=\"station-span\" d=\"" + spans + "\"/><path class=\"station-at\" d=\"" + positions +
               "\"/><path class=\"stop\" d=\"" + stops + "\"/>";
  page.y += names + marks + band_gap;
}

void signal_band(profile_svg& page, const line_features& f) {
  constexpr double h = 22;
  page.band_title("Signals", h);
  std::string signals, automatic, authored;
  for (const cell_object& s : f.signals)
    signals += path_step('M', page.axis.cell_x(s.cell), page.y + 2) + "v" + number(h - 4, 1);
  for (const cell_object& r : f.reductions)
    (f.authored(r) ? authored : automatic) += path_step('M', page.axis.cell_x(r.cell), page.y + h / 2) + "h0.01";
  page.body += "<path class=\"signal\" d=\"" + signals + "\"/><path class=\"reduction\" d=\"" + automatic + "\"/>";
  if (!authored.empty()) page.body += "<path class=\"reduction authored\" d=\"" + authored + "\"/>";
  page.y += h + band_gap;
}

// Each board a box with its speeds above it (thinned where they would touch)
// and its whole reading as the box's tooltip.
void speed_board_band(profile_svg& page, const line_features& f) {
  constexpr double h = 30, char_width = 6;
  page.band_title("Speed boards", h);
  std::vector<axis_label> labels;
  std::size_t longest = 1;
  for (const cell_object& b : f.speed_boards) {
    const double x = page.axis.cell_x(b.cell);
    const board_speeds speeds = speed_board_speeds(b, f);
    page.body += "<path class=\"speed-board\" d=\"" + path_step('M', x - 4, page.y + 15) + "h8v12h-8z\"><title>" +
                 html_text("speed board, cell " + std::to_string(b.cell) + ": " + speeds.detail) + "</title></path>";
    labels.push_back({x, speeds.label});
    longest = std::max(longest, speeds.label.size());
  }
  std::size_t hidden = 0;
  for (const axis_label& label : thin_labels(std::move(labels), char_width * static_cast<double>(longest) + 4, hidden))
    page.body += "<text class=\"board-speed\" x=\"" + number(label.x, 1) + "\" y=\"" + number(page.y + 11, 1) +
                 "\" text-anchor=\"middle\">" + html_text(label.text) + "</text>";
  if (hidden > 0)
    page.body += "<text class=\"value\" x=\"" + number(left_margin - 4, 1) + "\" y=\"" + number(page.y + 24, 1) +
                 "\" text-anchor=\"end\">" + std::to_string(hidden) + " more</text>";
  page.y += h + band_gap;
}

void signboard_band(profile_svg& page, const line_features& f) {
  constexpr double texts = 130, marks = 14;
  page.band_title("Signboards", texts + marks);
  std::vector<axis_label> labels;
  std::string boards;
  const double mark_top = page.y + texts;
  for (const signboard& s : f.signboards) {
    const double x = page.axis.cell_x(s.cell);
    boards +=
        "<path d=\"" + path_step('M', x, mark_top + 12) + "v-10h0.01\"><title>" + html_text(s.text) + "</title></path>";
    labels.push_back({x, s.text});
  }
  upright_labels(page, std::move(labels), mark_top - 2, "signboard-text");
  page.body += "<g class=\"signboard\">" + boards + "</g>";
  page.y += texts + marks + band_gap;
}

void slowdown_band(profile_svg& page, const line_features& f) {
  constexpr double h = 40;
  page.band_title("Slowdowns", h);
  std::string bars, warnings, countdowns;
  const double bar_top = page.y + 16;
  for (const slowdown& s : f.slowdowns) {
    const double x0 = page.axis.cell_x(s.start_cell), x1 = page.axis.cell_x(s.end_cell);
    bars += path_step('M', x0, bar_top) + "h" + number(std::max(x1 - x0, 1.5), 1) + "v10h" +
            number(-std::max(x1 - x0, 1.5), 1) + "z";
    page.body += "<text class=\"run-value\" x=\"" + number(x0, 1) + "\" y=\"" + number(bar_top - 3, 1) + "\">" +
                 std::to_string(s.speed) + "</text>";
  }
  for (const cell_object& w : f.warning_boards)
    warnings += path_step('M', page.axis.cell_x(w.cell), bar_top + 12) + "l-5,9h10z";
  for (const cell_object& c : f.countdowns) countdowns += path_step('M', page.axis.cell_x(c.cell), bar_top + 14) + "v7";
  page.body += "<path class=\"slowdown\" d=\"" + bars + "\"/><path class=\"warning-board\" d=\"" + warnings +
               "\"/><path class=\"countdown\" d=\"" + countdowns + "\"/>";
  page.y += h + band_gap;
}

// Kilometre marks under the bands and grid lines through them; labels every
// 1, 2, 5, 10, ... km so that at most about twenty are written.
std::string kilometre_axis(profile_svg& page, double bands_top) {
  const double extent_km = page.axis.extent_m / 1000;
  const double label_step = std::max(1.0, nice_step(extent_km / 20));
  double tick_step = label_step >= 5 ? label_step / 5 : 1;
  if (extent_km / tick_step > 250) tick_step = label_step;
  std::string grid, ticks, labels;
  const double axis_y = page.y;
  for (long i = 0; static_cast<double>(i) * tick_step <= extent_km + 1e-9; ++i) {
    const double km = static_cast<double>(i) * tick_step;
    const double x = page.axis.x(km * 1000);
    const bool labelled = std::fmod(km + 1e-9, label_step) < 1e-6;
    ticks += path_step('M', x, axis_y) + "v" + (labelled ? "7" : "4");
    if (!labelled) continue;
    grid += path_step('M', x, bands_top) + "V" + number(axis_y, 1);
    labels += "<text class=\"km\" x=\"" + number(x, 1) + "\" y=\"" + number(axis_y + 19, 1) +
              "\" text-anchor=\"middle\">" + number(km, 0) + "</text>";
  }
  page.body += "<path class=\"axis\" d=\"" + path_step('M', left_margin, axis_y) + "h" + number(page.axis.width, 1) +
               ticks + "\"/>" + labels;
  page.body += "<text class=\"band-title\" x=\"6\" y=\"" + number(axis_y + 19, 1) + "\">Chainage, km</text>";
  page.y += 30;
  return "<path class=\"grid\" d=\"" + grid + "\"/>";
}

// The end of the route: a line through every band down to the axis and its
// chainage under the kilometre labels. The track runs on past it.
void route_end_mark(profile_svg& page, std::int32_t route_length_m, double bands_top, double bands_bottom) {
  const double x = page.axis.x(route_length_m);
  const bool near_right = x > drawing_width - 120;
  page.body += "<path class=\"route-end\" d=\"" + path_step('M', x, bands_top) + "V" + number(bands_bottom + 7, 1) +
               "\"/><text class=\"route-end-label\" x=\"" + number(x, 1) + "\" y=\"" + number(page.y + 4, 1) +
               "\" text-anchor=\"" + (near_right ? "end" : "middle") + "\">end of route, " + grouped(route_length_m) +
               " m</text>";
  page.y += 14;
}

}  // namespace

std::string draw_profile(const line_features& features) {
  profile_svg page;
  page.axis.extent_m = std::max<double>(cell_length_m, (static_cast<double>(features.cell_count) + 1) * cell_length_m);
  const double top = page.y;
  height_band(page, features);
  gradient_band(page, features);
  level_band(page, features.speed_kmh, "Speed limit", "km/h", 80, "profile-speed", 0);
  level_band(page, features.adhesion, "Adhesion", "%", 44, "profile-adhesion", 100);
  tunnel_band(page, features);
  station_band(page, features);
  signal_band(page, features);
  speed_board_band(page, features);
  signboard_band(page, features);
  slowdown_band(page, features);
  const double bands_bottom = page.y;
  const std::string grid = kilometre_axis(page, top);
  route_end_mark(page, features.route_length_m, top, bands_bottom);
  return "<svg class=\"profile\" viewBox=\"0 0 " + number(drawing_width) + " " + number(page.y) +
         "\" role=\"img\" aria-label=\"profile along the chainage\">" + grid + page.body + "</svg>";
}

}  // namespace compila::report
