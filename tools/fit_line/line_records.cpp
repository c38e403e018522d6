#include "line_records.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "line_compiler/line_source.h"

namespace fit_line {

std::string format_curve(const curve_record& curve) {
  return std::string("curva") + curve.side + std::to_string(curve.curve_class) + ",  " + std::to_string(curve.start_m) +
         ",  " + std::to_string(curve.length_m);
}

std::string format_mountain(const mountain_span& span) {
  return "montagna,   " + std::to_string(span.start_m) + ",  " + std::to_string(span.end_m) + ",  " +
         std::to_string(span.kind);
}

namespace {

// Reads the separator and the number that follows it from the front of rest.
bool take_field(std::string_view& rest, std::string_view separator, int& value) {
  if (!rest.starts_with(separator)) return false;
  rest.remove_prefix(separator.size());
  if (rest.empty() || rest.front() < '0' || rest.front() > '9') return false;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (error != std::errc() || end == rest.data()) return false;
  rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
  return true;
}

}  // namespace

std::optional<curve_record> parse_curve(std::string_view line) {
  if (line.size() < 7 || !line.starts_with("curva")) return std::nullopt;
  curve_record curve;
  curve.side = line[5];
  if (curve.side != 's' && curve.side != 'd') return std::nullopt;
  if (line[6] < '1' || line[6] > '6') return std::nullopt;
  curve.curve_class = line[6] - '0';
  std::string_view rest = line.substr(7);
  if (!take_field(rest, ",  ", curve.start_m) || !take_field(rest, ",  ", curve.length_m) || !rest.empty())
    return std::nullopt;
  // A leading zero or sign would read back the same value from another text.
  if (format_curve(curve) != line) return std::nullopt;
  return curve;
}

std::optional<mountain_span> parse_mountain(std::string_view line) {
  if (!line.starts_with("montagna")) return std::nullopt;
  mountain_span span;
  std::string_view rest = line.substr(8);
  if (!take_field(rest, ",   ", span.start_m) || !take_field(rest, ",  ", span.end_m) ||
      !take_field(rest, ",  ", span.kind) || !rest.empty())
    return std::nullopt;
  if (format_mountain(span) != line) return std::nullopt;
  return span;
}

double curvature_per_metre(const curve_record& curve) {
  const double k = compila::curve_class_curvature.at(static_cast<std::size_t>(curve.curve_class - 1));
  return curve.side == 's' ? -k : k;
}

int round_half_even(double value) {
  // The default floating-point rounding mode rounds halves to even.
  return static_cast<int>(std::nearbyint(value));
}

compila::scenario_model compile_with_core(int route_length_m, std::string_view section,
                                          const std::vector<std::string>& lines, bool with_plan) {
  std::string text = "[generale]\nlunghezza percorso,    " + std::to_string(route_length_m) + "\n";
  text.append(section).append("\n");
  for (const std::string& line : lines) text.append(line).append("\n");
  text += "[fine]\n";
  compila::scenario_model model;
  model.with_plan = with_plan;
  const compila::line_reading reading = compila::read_line_source(model, text, "fit_line records");
  if (reading.end != compila::reading_end::complete || model.error_kind != 0) {
    std::cerr << "fit_line: the compiler core refuses the " << section << " records (" << model.error_kind << ": "
              << model.diagnostic.detail << ")\n";
    std::abort();
  }
  return model;
}

}  // namespace fit_line
