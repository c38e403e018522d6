// Mountain spans (tunnels), speed indicator boards and signboards.
#include <array>
#include <limits>

#include "line_compiler/line_source_reader.h"
#include "model/error_kinds.h"
#include "model/rounding.h"

namespace compila {
namespace {

constexpr std::int32_t marker_kind_offset = 10;     // a kind above 10 asks for tunnel markers
constexpr std::int64_t close_follow_gap_m = 150;    // a span this close after the previous gets kind 3
constexpr std::int32_t close_follow_kind = 3;
constexpr int marker_spacing = 4;

}  // namespace

record_step line_source_reader::mountain() {
  const std::int32_t start = reader_.read_i32();
  const std::int32_t end = reader_.read_i32();
  std::int32_t kind = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("montagna", std::array<std::int64_t, 3>{start, end, kind});
  if (!within_track(start, 100, model_.cell_count)) return beyond_track(start);
  return memo_montagna(start, end, kind);
}

record_step line_source_reader::memo_montagna(std::int32_t inizio, std::int32_t fine, std::int32_t& tipo) {
  const bool markers = tipo > marker_kind_offset;
  if (markers) tipo -= marker_kind_offset;
  if (model_.mountain_count + 1 >= mountain_slots)
    return fault("more than " + std::to_string(mountain_slots - 1) + " mountain spans");
  const std::int32_t count = ++model_.mountain_count;
  model_.mountain_start_m[count] = inizio;
  model_.mountain_end_m[count] = fine;
  if (count > 1 && std::int64_t{inizio} - model_.mountain_end_m[count - 1] <= close_follow_gap_m)
    tipo = close_follow_kind;

  const std::int64_t first = cell_of(inizio, 0);
  const std::int64_t last = cell_of(fine, -1);
  if (first > last) return record_step::go_on;  // the span covers no cell
  if (!in_track(first)) return outside_track("the mountain span's first cell", first);
  if (!in_track(last)) return outside_track("the mountain span's last cell", last);
  int counted = 0;
  for (std::int64_t c = first; c <= last; ++c) {
    track_cell& cell = model_.cells[c];
    cell.tunnel_kind = low_8_bits(tipo);
    ++counted;
    if (markers && counted % marker_spacing == 0 && cell.cell_type == cell_kind::nothing)
      cell.cell_type = cell_kind::tunnel_marker;
  }
  return record_step::go_on;
}

record_step line_source_reader::speed_boards() {
  std::int32_t values[9];
  for (std::int32_t& value : values) value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("indicatori_vmax", std::array<std::int64_t, 9>{values[0], values[1], values[2], values[3], values[4],
                                                             values[5], values[6], values[7], values[8]});
  if (!within_track(values[0], 100, model_.cell_count)) return beyond_track(values[0]);
  return memo_indicatori_v_max(values[0], values[1], values[2], values[3], values[4], values[5], values[6],
                               values[7], values[8]);
}

record_step line_source_reader::memo_indicatori_v_max(std::int32_t posizione, std::int32_t vas,
                                                      std::int32_t vbs, std::int32_t vcs,
                                                      std::int32_t strisces, std::int32_t vad,
                                                      std::int32_t vbd, std::int32_t vcd,
                                                      std::int32_t strisced) {
  const std::int64_t c = cell_of(posizione, 1);
  if (!in_track(c)) return outside_track("the speed indicator board", c);
  if (!is_free(model_.cells[c]))
    return fail(error_kinds::speed_board_cell,
                "speed indicator board at " + std::to_string(posizione) + " on cell " + std::to_string(c) +
                    ", which is not free");
  // speed code = s-side speed x 20 + d-side speed / 5, rounded half to even
  auto speed_code = [](std::int32_t s_side, std::int32_t d_side) {
    return round_half_even_div(std::int64_t{s_side} * 100 + d_side, 5);
  };
  const std::int64_t codes[3] = {speed_code(vas, vad), speed_code(vbs, vbd), speed_code(vcs, vcd)};
  for (std::int64_t code : codes)
    if (!fits<std::int16_t>(code))
      return fault("speed code " + std::to_string(code) + " does not fit a signed 16-bit field");
  // The stripe code is formed in 16-bit arithmetic from the low 16 bits of
  // both counts: a product or sum that leaves that range cannot be stored.
  const std::int64_t tens = std::int64_t{low_16_bits(strisces)} * 10;
  const std::int64_t stripe_code = tens + low_16_bits(strisced);
  if (!fits<std::int16_t>(tens) || !fits<std::int16_t>(stripe_code))
    return fault("stripe code " + std::to_string(stripe_code) + " does not fit a signed 16-bit field");
  note_object(c);
  track_cell& cell = model_.cells[c];
  cell.cell_type = cell_kind::speed_board;
  cell.param_1 = static_cast<std::int16_t>(codes[0]);
  cell.param_2 = static_cast<std::int16_t>(codes[1]);
  cell.param_3 = static_cast<std::int16_t>(codes[2]);
  cell.param_4 = static_cast<std::int16_t>(stripe_code);
  return record_step::go_on;
}

record_step line_source_reader::signboard() {
  const std::int32_t position = reader_.read_i32();
  model_.current_line = reader_.read_text(std::numeric_limits<std::uint16_t>::max());
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("cartello_indicatore", std::array<std::int64_t, 1>{position});
  if (!within_track(position, 100, model_.cell_count)) return beyond_track(position);
  const std::int64_t c = cell_of(position, 1);
  if (!in_track(c)) return outside_track("the signboard", c);
  if (!is_free(model_.cells[c]))
    return fail(error_kinds::signboard_cell, "signboard at " + std::to_string(position) + " on cell " +
                                                 std::to_string(c) + ", which is not free");
  if (signboard_slot_ < 1) return fault("more than 80 signboards");
  note_object(c);
  track_cell& cell = model_.cells[c];
  cell.cell_type = cell_kind::signboard;
  cell.param_1 = static_cast<std::int16_t>(signboard_slot_);
  model_.items[signboard_slot_].text = model_.current_line;
  --signboard_slot_;
  return record_step::go_on;
}

}  // namespace compila
