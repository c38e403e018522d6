// Station records: one item slot each from slot 1 upward, a stopping point at
// the station's far end and four approach cells before it.
#include <array>
#include <limits>

#include "model/error_kinds.h"
#include "model/rounding.h"
#include "train_compiler/train_source_reader.h"

namespace compila {
namespace {

constexpr std::int64_t station_range_margin_m = 800;
constexpr std::int64_t min_station_gap_m = 350;
constexpr std::int32_t no_track_marks_from_kind = 25;
constexpr std::int32_t short_station_m = 600;

bool is_platform_kind(std::int32_t kind) { return kind == 5 || kind == 6; }
bool is_long_kind(std::int32_t kind) { return kind == 7 || kind == 8; }

}  // namespace

record_step train_source_reader::station() {
  const std::int32_t k = station_slot_;
  // With every slot taken by signboards even slot 1 is not free.
  if (k > next_signboard_slot_) return fail(error_kinds::station_slots, "no item slot left for a station");
  item& slot = model_.items[k];

  slot.at_m = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  const std::int32_t position = slot.at_m;
  if (!within_track(position, station_range_margin_m, model_.cell_count)) return beyond_track(position);
  if (!is_multiple_of_50(position))
    return fail(error_kinds::station_position,
                "station position " + std::to_string(position) + " is not a multiple of 50");

  slot.kind = reader_.read_u8();
  const std::int32_t length = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  if (length % 100 != 0)
    return fail(error_kinds::station_length, "station length " + std::to_string(length) + " is not a multiple of 100");

  slot.flag = reader_.read_u8();
  slot.byte_4 = reader_.read_u8();
  slot.byte_3 = reader_.read_u8();
  slot.word_1 = reader_.read_i16();
  slot.word_2 = reader_.read_i16();
  slot.byte_1 = reader_.read_u8();
  slot.word_3 = reader_.read_i16();
  slot.word_4 = reader_.read_i16();
  slot.word_5 = reader_.read_i16();
  slot.byte_2 = reader_.read_u8();
  const std::int64_t hours = reader_.read_i32();
  const std::int64_t minutes = reader_.read_i32();
  const std::int64_t seconds = reader_.read_i32();
  slot.text = reader_.read_text(std::numeric_limits<std::uint16_t>::max());
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("stazione", std::array<std::int64_t, 16>{position, slot.kind, length, slot.flag, slot.byte_4, slot.byte_3,
                                                       slot.word_1, slot.word_2, slot.byte_1, slot.word_3, slot.word_4,
                                                       slot.word_5, slot.byte_2, hours, minutes, seconds});
  const std::int64_t time_of_day = (hours * 60 + minutes) * 60 + seconds;
  if (!fits<std::int32_t>(time_of_day))
    return fault("station time " + std::to_string(time_of_day) + " s does not fit a signed 32-bit field");
  slot.seconds = static_cast<std::int32_t>(time_of_day);

  std::int64_t start = 0, end = 0;
  if (is_platform_kind(slot.kind)) {
    start = std::int64_t{position} - length;
    end = std::int64_t{position} + 150;
  } else if (is_long_kind(slot.kind)) {
    start = std::int64_t{position} - length;
    end = std::int64_t{position} + length;
  } else {
    start = std::int64_t{position} - length / 2;
    end = std::int64_t{position} + length / 2 + (slot.byte_3 != 0 ? 50 : 0);
  }
  if (!fits<std::int32_t>(start) || !fits<std::int32_t>(end))
    return fault("station extent " + std::to_string(start) + " to " + std::to_string(end) +
                 " does not fit a signed 32-bit field");
  slot.start_m = static_cast<std::int32_t>(start);
  slot.end_m = static_cast<std::int32_t>(end);
  if (is_platform_kind(slot.kind) || is_long_kind(slot.kind)) slot.byte_3 = 0;
  if (length < short_station_m) slot.byte_4 = 0;
  if (k == 1) {
    slot.byte_4 = 0;
    slot.byte_3 = 0;
  }

  if (record_step step = mark_station(slot, k); step != record_step::go_on) return step;
  if (k > 1 && std::int64_t{slot.start_m} - min_station_gap_m < model_.items[k - 1].end_m)
    return fail(error_kinds::station_too_close, "station at " + std::to_string(position) + " begins at " +
                                                    std::to_string(slot.start_m) +
                                                    ", less than 350 m after the previous station's end at " +
                                                    std::to_string(model_.items[k - 1].end_m));
  station_slot_ = k + 1;
  if (station_slot_ >= next_signboard_slot_)
    return fail(error_kinds::station_slots,
                "station slots used up: slot " + std::to_string(station_slot_) + " is the next signboard slot");
  return record_step::go_on;
}

// The approach cells and the stopping point, written whatever the cells hold.
record_step train_source_reader::mark_station(const item& station, std::int32_t slot) {
  if (station.kind >= no_track_marks_from_kind) return record_step::go_on;
  const std::int64_t stop = station.end_m / 50 - 1;
  if (!is_platform_kind(station.kind)) {
    for (std::int64_t i = 1; i <= 4; ++i) {
      const std::int64_t approach = stop - i;
      if (approach <= 1) continue;
      if (!in_track(approach)) return outside_track("the station's approach cell", approach);
      model_.cells[approach].approach_code = static_cast<std::uint8_t>(80 + i);
    }
  }
  if (stop <= 1)
    return fail(error_kinds::stopping_point_too_early,
                "the station's stopping point would fall on cell " + std::to_string(stop));
  if (!in_track(stop)) return outside_track("the station's stopping point", stop);
  note_object(stop);
  track_cell& cell = model_.cells[stop];
  cell.cell_type = cell_kind::stopping_point;
  cell.param_1 = static_cast<std::int16_t>(slot);
  return record_step::go_on;
}

}  // namespace compila
