#include "tool/report/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/text_encoding.h"

namespace compila::report {

std::string html_text(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        const char32_t character = windows_1252_character(byte);
        if (byte < 0x20 || byte == 0x7f || (byte >= 0x80 && character < 0xa0)) out += '?';
        else if (byte >= 0x80) out += "&#" + std::to_string(character) + ";";
        else out += c;
    }
  }
  return out;
}

std::string counted(std::int64_t count, std::string_view singular, std::string_view plural) {
  return grouped(count) + " " + std::string(count == 1 ? singular : plural);
}

std::string number(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
  return text;
}

std::string grouped(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const std::string digits = std::to_string(magnitude);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string length_text(double metres) {
  if (std::fabs(metres) < 1000) return number(metres, 0) + " m";
  return number(metres / 1000, std::fmod(metres, 1000) == 0 ? 0 : (std::fmod(metres, 100) == 0 ? 1 : 2)) + " km";
}

std::string time_of_day(std::int32_t seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buffer;
}

double nice_step(double value) {
  if (!(value > 0) || !std::isfinite(value)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0})
    if (factor * power >= value * (1 - 1e-9)) return factor * power;
  return 10 * power;
}

std::vector<pixel_point> reduce_columns(const std::vector<pixel_point>& points) {
  std::vector<pixel_point> out;
  std::size_t i = 0;
  while (i < points.size()) {
    const double column = std::floor(points[i].x);
    std::size_t end = i;
    std::size_t low = i, high = i;
    while (end < points.size() && std::floor(points[end].x) == column) {
      if (points[end].y < points[low].y) low = end;
      if (points[end].y > points[high].y) high = end;
      ++end;
    }
    std::vector<std::size_t> kept{i, low, high, end - 1};
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    for (const std::size_t k : kept) out.push_back(points[k]);
    i = end;
  }
  return out;
}

std::string path_step(char command, double x, double y) {
  std::string step(1, command);
  return step.append(number(x, 1)).append(",").append(number(y, 1));
}

std::string polyline_points(const std::vector<pixel_point>& points) {
  std::string out;
  out.reserve(points.size() * 12);
  for (const pixel_point& p : points) {
    if (!out.empty()) out += ' ';
    out += number(p.x, 1) + "," + number(p.y, 1);
  }
  return out;
}

std::vector<axis_label> thin_labels(std::vector<axis_label> labels, double gap, std::size_t& hidden) {
  std::stable_sort(labels.begin(), labels.end(), [](const axis_label& a, const axis_label& b) { return a.x < b.x; });
  std::vector<axis_label> kept;
  for (axis_label& label : labels)
    if (kept.empty() || label.x - kept.back().x >= gap) kept.push_back(std::move(label));
  hidden = labels.size() - kept.size();
  return kept;
}

}  // namespace compila::report
