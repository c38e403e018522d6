// Signals, slowdowns and reduction points: objects placed on free cells.
#include <array>

#include "model/diagnostics.h"
#include "model/error_kinds.h"
#include "model/rounding.h"
#include "train_compiler/train_source_reader.h"

namespace compila {
namespace {

constexpr std::int32_t warning_distance_m = 1200;
constexpr std::int32_t warning_from_m = 1500;  // a slowdown starting beyond this gets a warning board
constexpr std::int32_t raised_signal_time = 101;

}  // namespace

std::string train_source_reader::at_cell(const char* what, std::int64_t position, std::int64_t cell) const {
  return std::string(what) + " at " + std::to_string(position) + " on cell " + std::to_string(cell) + ", " +
         not_free(cell);
}

record_step train_source_reader::signal() {
  std::array<std::int32_t, 11> values;
  for (std::int32_t& value : values) value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("segnale", values);
  const signal_record signal{.position_m = values[0],
                             .left = {values[1], {values[2], values[3], values[4]}},
                             .whole_signal_code = values[5],
                             .right = {values[6], {values[7], values[8], values[9]}},
                             .time = values[10]};
  if (!within_track(signal.position_m, 100, model_.cell_count)) return beyond_track(signal.position_m);
  const std::int32_t earlier_kind = model_.error_kind;
  if (record_step step = place_signal(signal); step != record_step::go_on) return step;
  // A diagnostic left by the line source ends the reading at the first signal
  // (a resuming reading has reported it and reads on).
  return earlier_kind > 0 && !resuming() ? record_step::failure_exit : record_step::go_on;
}

record_step train_source_reader::place_signal(const signal_record& signal) {
  const std::int64_t c = cell_of(signal.position_m, 1);
  if (!in_track(c)) return outside_track("the signal", c);
  track_cell& cell = model_.cells[c];
  if (!is_free(cell)) return fail(error_kinds::signal_cell, at_cell("signal", signal.position_m, c));
  note_object(c);
  const std::int64_t side_codes = std::int64_t{signal.left.code} * 3 + signal.right.code;
  auto packed = [&](std::size_t i) {
    return low_16_bits(std::int64_t{signal.left.further_codes[i]} * 10 + signal.right.further_codes[i]);
  };
  cell.cell_type = cell_kind::signal;
  cell.param_4 = low_16_bits(std::int64_t{signal.whole_signal_code} * 10 + side_codes);
  cell.param_1 = packed(0);
  cell.param_2 = packed(1);
  cell.param_3 = packed(2);
  const std::int32_t time = signal.time >= 1 && signal.time <= 100 ? raised_signal_time : signal.time;
  if (signal.left.code == 2) note_stored("signal time", time, 0, 255);
  cell.signal_time = signal.left.code == 2 ? low_8_bits(time) : 0;
  for (std::int64_t i = 1; i <= 4; ++i) {
    const std::int64_t approach = c - 2 * i;
    if (!in_track(approach)) return outside_track("the signal's approach cell", approach);
    model_.cells[approach].approach_code = low_8_bits(side_codes * 10 + i);
  }
  return record_step::go_on;
}

record_step train_source_reader::slowdown() {
  std::array<std::int32_t, 6> values;
  for (std::int32_t& value : values) value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("rallentamento", values);
  note_stored("slowdown speed", values[1], -32768, 32767);
  note_stored("value for both ends", values[3], -32768, 32767);
  note_stored("value for the boards", values[5], -32768, 32767);
  const slowdown_record slowdown{.start_m = values[0],
                                 .speed_kmh = values[1],
                                 .length_m = values[2],
                                 .ends_value = values[3],
                                 .countdown_boards = values[4] != 0,
                                 .boards_value = values[5]};
  if (!within_track(slowdown.start_m, 100, model_.cell_count)) return beyond_track(slowdown.start_m);
  const std::int32_t earlier_kind = model_.error_kind;
  if (record_step step = place_slowdown(slowdown); step != record_step::go_on) return step;
  return earlier_kind > 0 && !resuming() ? record_step::failure_exit : record_step::go_on;
}

// Checks the warning, start and end cells first, then writes them; the
// countdown cells come last and may still fail once the others are written.
record_step train_source_reader::place_slowdown(const slowdown_record& slowdown) {
  const std::int64_t start_position = slowdown.start_m;
  const std::int64_t end_position = start_position + slowdown.length_m;
  const std::int64_t warning_position = start_position - warning_distance_m;
  const std::int64_t start = cell_of(start_position, 1);
  const std::int64_t end = cell_of(end_position, 1);
  const std::int64_t warning = cell_of(warning_position, 1);
  const std::int64_t countdown = cell_of(warning_position, 0);
  const bool with_warning = slowdown.start_m > warning_from_m;
  if (with_warning) {
    if (!in_track(warning)) return outside_track("the slowdown's warning board", warning);
    if (!is_free(model_.cells[warning]))
      return fail(error_kinds::warning_cell, at_cell("slowdown warning board", warning_position, warning));
  }
  if (!in_track(start)) return outside_track("the slowdown's start", start);
  if (!is_free(model_.cells[start]))
    return fail(error_kinds::slowdown_start_cell, at_cell("slowdown start", start_position, start));
  if (!in_track(end)) return outside_track("the slowdown's end", end);
  if (!is_free(model_.cells[end]))
    return fail(error_kinds::slowdown_end_cell, at_cell("slowdown end", end_position, end));

  note_object(end);
  note_object(start);
  if (with_warning) note_object(warning);
  const bool carries_boards_value = slowdown.boards_value != 0;
  track_cell& end_cell = model_.cells[end];
  track_cell& start_cell = model_.cells[start];
  end_cell.cell_type = cell_kind::slowdown_end;
  if (carries_boards_value) end_cell.param_2 = low_16_bits(slowdown.boards_value);
  start_cell.cell_type = cell_kind::slowdown_start;
  if (carries_boards_value) start_cell.param_2 = low_16_bits(slowdown.boards_value);
  if (with_warning) {
    track_cell& warning_cell = model_.cells[warning];
    warning_cell.cell_type = cell_kind::warning_board;
    if (carries_boards_value) warning_cell.param_2 = low_16_bits(slowdown.boards_value);
    warning_cell.param_1 = low_16_bits(slowdown.speed_kmh);
  }
  start_cell.param_1 = low_16_bits(slowdown.speed_kmh);
  end_cell.param_1 = low_16_bits(slowdown.speed_kmh);
  start_cell.param_3 = low_16_bits(slowdown.ends_value);
  end_cell.param_3 = low_16_bits(slowdown.ends_value);

  // The countdown boards stand only before a warning board.
  if (!with_warning || !slowdown.countdown_boards) return record_step::go_on;
  for (std::int64_t i = 0; i <= 3; ++i) {
    const std::int64_t c = countdown - i;
    if (!in_track(c)) return outside_track("the slowdown's countdown cell", c);
    if (!is_free(model_.cells[c]))
      return fail(error_kinds::countdown_cell,
                  "slowdown countdown cell " + std::to_string(c) + " is not free: " + occupant_text(model_, c));
  }
  for (std::int64_t i = 0; i <= 3; ++i) {
    note_object(countdown - i);
    track_cell& cell = model_.cells[countdown - i];
    cell.cell_type = cell_kind::countdown;
    cell.param_1 = static_cast<std::int16_t>(i + 1);
    if (carries_boards_value) cell.param_2 = static_cast<std::int16_t>(i + 1);
  }
  return record_step::go_on;
}

record_step train_source_reader::reduction_point() {
  const std::int32_t position = reader_.read_i32();
  const std::int32_t value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("abbattimento", std::array<std::int64_t, 2>{position, value});
  note_stored("reduction value", value, -32768, 32767);
  if (!within_track(position, 100, model_.cell_count)) return beyond_track(position);
  const std::int64_t r = cell_of(position, 0);
  if (!in_track(r)) return outside_track("the reduction point", r);
  track_cell& cell = model_.cells[r];
  if (!is_free(cell)) return fail(error_kinds::reduction_cell, at_cell("reduction point", position, r));
  note_object(r);
  if (value > 0) {
    cell.cell_type = cell_kind::reduction_with_value;
    cell.param_1 = low_16_bits(value);
  } else {
    cell.cell_type = cell_kind::reduction_without_value;
  }
  return record_step::go_on;
}

}  // namespace compila
