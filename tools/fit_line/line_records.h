// Curve records and mountain span records of a line source, in the exact
// text form the line source uses, and the shared rounding rule.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/scenario_model.h"

namespace fit_line {

// "curva<side><class>,  <start>,  <length>": side 's' or 'd', class 1..6.
struct curve_record {
  char side = 'd';
  int curve_class = 1;
  int start_m = 0;
  int length_m = 0;

  int end_m() const { return start_m + length_m; }
  bool operator==(const curve_record&) const = default;
};

// "montagna,   <start>,  <end>,  <kind>".
struct mountain_span {
  int start_m = 0;
  int end_m = 0;
  int kind = 11;

  int length_m() const { return end_m - start_m; }
  bool operator==(const mountain_span&) const = default;
};

std::string format_curve(const curve_record& curve);
std::string format_mountain(const mountain_span& span);

// Accept only the exact form that format_curve / format_mountain write.
std::optional<curve_record> parse_curve(std::string_view line);
std::optional<mountain_span> parse_mountain(std::string_view line);

// Turn per metre of a curve: 0.0001 ... 0.003 for classes 1..6, negative on
// side 's' (the heading turns from +y towards -x).
double curvature_per_metre(const curve_record& curve);

// Conversion of a computed value to a whole number: nearest, halves to even.
int round_half_even(double value);

// A line source of the route `route_length_m` whose only records are `lines`
// under `section` ("[curve]", "[montagne]"), compiled by the compiler core's
// line compiler, with the plan when `with_plan`. fit_line stops with the
// core's diagnostic when the core refuses it.
compila::scenario_model compile_with_core(int route_length_m, std::string_view section,
                                          const std::vector<std::string>& lines, bool with_plan);

}  // namespace fit_line
