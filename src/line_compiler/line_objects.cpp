// Mountain spans (tunnels), speed indicator boards and signboards.
#include <array>
#include <limits>

#include "line_compiler/line_source_reader.h"
#include "model/error_kinds.h"
#include "model/rounding.h"

namespace compila {
record_step line_source_reader::mountain() {
  const std::int32_t start = reader_.read_i32();
  const std::int32_t end = reader_.read_i32();
  const std::int32_t kind = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("montagna", std::array<std::int32_t, 3>{start, end, kind});
  note_stored("tunnel kind", kind, 0, 255 + tunnel_marker_kind_offset);
  if (!within_track(start, 100, model_.cell_count)) return beyond_track(start);
  const bool markers = kind > tunnel_marker_kind_offset;
  return place_mountain_span({.start_m = start,
                              .end_m = end,
                              .tunnel_kind = markers ? kind - tunnel_marker_kind_offset : kind,
                              .tunnel_markers = markers});
}

record_step line_source_reader::place_mountain_span(const mountain_span_record& span) {
  if (model_.mountain_count + 1 >= mountain_slots)
    return fault("more than " + std::to_string(mountain_slots - 1) + " mountain spans");
  const std::int32_t count = ++model_.mountain_count;
  model_.mountain_start_m[count] = span.start_m;
  model_.mountain_end_m[count] = span.end_m;
  const bool follows_closely =
      count > 1 && std::int64_t{span.start_m} - model_.mountain_end_m[count - 1] <= close_follow_gap_m;
  const std::int32_t kind = follows_closely ? close_follow_kind : span.tunnel_kind;

  const std::int64_t first = cell_of(span.start_m, 0);
  const std::int64_t last = cell_of(span.end_m, -1);
  if (first > last) return record_step::go_on;  // the span covers no cell
  if (!in_track(first)) return outside_track("the mountain span's first cell", first);
  if (!in_track(last)) return outside_track("the mountain span's last cell", last);
  int counted = 0;
  for (std::int64_t c = first; c <= last; ++c) {
    track_cell& cell = model_.cells[c];
    cell.tunnel_kind = low_8_bits(kind);
    ++counted;
    if (span.tunnel_markers && counted % tunnel_marker_spacing == 0 && cell.cell_type == cell_kind::nothing)
      cell.cell_type = cell_kind::tunnel_marker;
  }
  return record_step::go_on;
}

record_step line_source_reader::speed_board() {
  std::array<std::int32_t, 9> values;
  for (std::int32_t& value : values) value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("indicatori_vmax", values);
  const speed_board_record board{.position_m = values[0],
                                 .left = {{values[1], values[2], values[3]}, values[4]},
                                 .right = {{values[5], values[6], values[7]}, values[8]}};
  if (!within_track(board.position_m, 100, model_.cell_count)) return beyond_track(board.position_m);
  return place_speed_board(board);
}

record_step line_source_reader::place_speed_board(const speed_board_record& board) {
  const std::int64_t c = cell_of(board.position_m, 1);
  if (!in_track(c)) return outside_track("the speed indicator board", c);
  if (!is_free(model_.cells[c]))
    return fail(error_kinds::speed_board_cell, "speed indicator board at " + std::to_string(board.position_m) +
                                                   " on cell " + std::to_string(c) + ", " + not_free(c));
  // speed code = left speed x 20 + right speed / 5, rounded half to even
  std::array<std::int64_t, 3> codes;
  for (std::size_t rank = 0; rank < codes.size(); ++rank) {
    codes[rank] =
        round_half_even_div(std::int64_t{board.left.speeds_kmh[rank]} * 100 + board.right.speeds_kmh[rank], 5);
    if (!fits<std::int16_t>(codes[rank]))
      return fault("the speeds " + std::to_string(board.left.speeds_kmh[rank]) + " km/h (s) and " +
                   std::to_string(board.right.speeds_kmh[rank]) + " km/h (d) of rank " + "ABC"[rank] +
                   " cannot be stored together: s x 20 + d / 5 must stay within -32768 to 32767");
  }
  // The stripe code is formed in 16-bit arithmetic from the low 16 bits of
  // both counts: a product or sum that leaves that range cannot be stored.
  const std::int64_t tens = std::int64_t{low_16_bits(board.left.stripes)} * 10;
  const std::int64_t stripe_code = tens + low_16_bits(board.right.stripes);
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
    return fail(error_kinds::signboard_cell,
                "signboard at " + std::to_string(position) + " on cell " + std::to_string(c) + ", " + not_free(c));
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
