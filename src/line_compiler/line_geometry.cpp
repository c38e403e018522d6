// Gradients and curves: the gradient profile over the cells and the per-metre
// plan of the line's course.
#include <array>
#include <string_view>

#include "line_compiler/line_source_reader.h"
#include "model/error_kinds.h"
#include "model/rounding.h"

namespace compila {
namespace {

std::uint8_t gradient_byte(std::int32_t gradient) { return low_8_bits(std::int64_t{gradient} + 100); }

// Turn per metre of the curve class: the first of the digits 1 to 6, tried in
// that order, that the keyword field holds; 0 when it holds none.
double class_curvature(std::string_view keyword) {
  static constexpr std::array<double, 6> curvature = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
  for (int digit = 1; digit <= 6; ++digit)
    if (keyword.find(static_cast<char>('0' + digit)) != std::string_view::npos) return curvature[digit - 1];
  return 0.0;
}

double coordinate(const plan_value& value) {
  if (const auto* real = std::get_if<double>(&value)) return *real;
  if (const auto* integer = std::get_if<std::int16_t>(&value)) return *integer;
  return 0.0;
}

}  // namespace

// The cells from the gradient cursor up to n - 1 take the previous gradient;
// when the cursor already stands at or beyond n one cell is still written.
record_step line_source_reader::gradient() {
  const std::int32_t position = reader_.read_i32();
  const std::int32_t value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("pendenza", std::array<std::int64_t, 2>{position, value});
  if (!within_track(position, 100, model_.cell_count)) return beyond_track(position);
  const std::int64_t n = round_half_even_div(position, cell_length_m);
  if (n > 0) {
    do {
      if (gradient_cursor_ > model_.cell_count) break;  // a run never goes past the last cell
      model_.cells[gradient_cursor_++].gradient = gradient_byte(previous_gradient_);
    } while (gradient_cursor_ < n);
  }
  previous_gradient_ = value;
  return record_step::go_on;
}

void line_source_reader::gradient_tail() {
  do {
    if (gradient_cursor_ > model_.cell_count) break;
    model_.cells[gradient_cursor_++].gradient = gradient_byte(previous_gradient_);
  } while (gradient_cursor_ < model_.cell_count - 2);
}

record_step line_source_reader::curve() {
  const std::int32_t start = reader_.read_i32();
  const std::int32_t length = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("curva", std::array<std::int64_t, 2>{start, length});
  if (!within_track(start, 100, model_.cell_count)) return beyond_track(start);
  double curvature = class_curvature(keyword());
  if (curvature == 0.0) return fail(error_kinds::bad_curve, "the curve keyword holds no class digit 1 to 6");
  if (contains_any_case(keyword(), "s")) curvature = -curvature;
  if (record_step step = plan_run(start, 0.0); step != record_step::go_on) return step;
  return plan_run(std::int64_t{start} + length, curvature);
}

// Steps the plan cursor up to `last_point`, turning the step by `curvature`
// on every metre. A run stops at the end of the plan; past 1,000,000 points
// the curve fails.
record_step line_source_reader::plan_run(std::int64_t last_point, double curvature) {
  while (plan_cursor_ <= last_point && plan_cursor_ <= model_.track_extent_m) {
    put_plan_point(curvature);
    if (++plan_cursor_ > max_plan_points)
      return fail(error_kinds::bad_curve, "the plan passes 1,000,000 points");
  }
  return record_step::go_on;
}

// Point m continues the step from m - 2 to m - 1, first turned by the
// curvature: (dx + k dy, dy - k dx). The order of the operations is that of
// the simulator's own plan, since the file keeps the doubles bit for bit.
void line_source_reader::put_plan_point(double curvature) {
  auto& x = model_.track_plan[0];
  auto& y = model_.track_plan[1];
  const std::size_t m = static_cast<std::size_t>(plan_cursor_);
  const double x1 = coordinate(x[m - 1]);
  const double y1 = coordinate(y[m - 1]);
  const double dx = x1 - coordinate(x[m - 2]);
  const double dy = y1 - coordinate(y[m - 2]);
  if (curvature == 0.0) {
    x[m] = x1 + dx;
    y[m] = y1 + dy;
  } else {
    x[m] = x1 + (dx + curvature * dy);
    y[m] = y1 + (dy - curvature * dx);
  }
}

void line_source_reader::plan_tail() {
  while (plan_cursor_ <= model_.track_extent_m - 2) {
    put_plan_point(0.0);
    ++plan_cursor_;
  }
}

}  // namespace compila
