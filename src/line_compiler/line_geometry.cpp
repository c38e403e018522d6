// Gradients and curves: the gradient profile over the cells and the per-metre
// plan of the line's course.
#include <algorithm>
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
  for (int digit = 1; digit <= 6; ++digit)
    if (keyword.find(static_cast<char>('0' + digit)) != std::string_view::npos) return curve_class_curvature[digit - 1];
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
  note_stored("gradient", value, -100, 155);
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

// Without the plan a curve keyword is no record: its values are read as
// keyword fields.
record_step line_source_reader::curve() {
  if (!plan_on()) return record_step::go_on;
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

// Computes the plan up to `last_point`, turning the step by `curvature` on
// every metre (see track_plan.h). A run stops at the end of the plan; once
// point 1,000,000 is computed the curve fails.
record_step line_source_reader::plan_run(std::int64_t last_point, double curvature) {
  track_plan& plan = model_.track_plan;
  if (plan.next_point() > last_point || plan.next_point() >= plan.point_count()) return record_step::go_on;
  plan.extend_to(static_cast<std::int32_t>(std::min<std::int64_t>(last_point, max_plan_points)), curvature);
  if (plan.next_point() > max_plan_points) return fail(error_kinds::bad_curve, "the plan passes 1,000,000 points");
  return record_step::go_on;
}

void line_source_reader::plan_tail() { model_.track_plan.extend_to(model_.track_extent_m - 2, 0.0); }

}  // namespace compila
