#include "train_compiler/train_source.h"

#include <array>

#include "model/error_kinds.h"
#include "model/rounding.h"
#include "train_compiler/train_source_reader.h"

namespace compila {

reading_end read_train_source(scenario_model& model, std::string_view text, std::string file_name,
                              std::int32_t next_signboard_slot, reading_observer* observer) {
  return train_source_reader(model, text, std::move(file_name), next_signboard_slot, observer).run();
}

namespace {

// Every train keyword is tested without regard to case.
bool is_braked_mass(std::string_view f) { return contains_any_case(f, "frenata") && contains_any_case(f, "massa"); }
bool is_cars(std::string_view f) { return contains_any_case(f, "vetture"); }
bool is_speed(std::string_view f) { return contains_any_case(f, "velocit"); }
bool is_adhesion(std::string_view f) { return contains_any_case(f, "aderenza"); }
bool is_clock(std::string_view f) { return contains_any_case(f, "orologio"); }
bool is_sand(std::string_view f) { return contains_any_case(f, "sabbia"); }
bool is_signal(std::string_view f) { return contains_any_case(f, "segnale"); }
bool is_slowdown(std::string_view f) { return contains_any_case(f, "rallentamento"); }
bool is_reduction_point(std::string_view f) { return contains_any_case(f, "abbattimento"); }
bool is_station(std::string_view f) { return contains_any_case(f, "stazione"); }

}  // namespace

// A field may match several records: each one that matches reads its own
// values, in this order.
constexpr std::array<train_source_reader::record_row, 10> train_source_reader::records{{
    {{"percentuale massa frenata", is_braked_mass}, &train_source_reader::braked_mass},
    {{"numero vetture", is_cars}, &train_source_reader::cars},
    {{"velocita", is_speed}, &train_source_reader::speed_entry},
    {{"aderenza", is_adhesion}, &train_source_reader::adhesion_entry},
    {{"orologio", is_clock}, &train_source_reader::clock},
    {{"sabbia", is_sand}, &train_source_reader::sand},
    {{"segnale", is_signal}, &train_source_reader::signal},
    {{"rallentamento", is_slowdown}, &train_source_reader::slowdown},
    {{"abbattimento", is_reduction_point}, &train_source_reader::reduction_point},
    {{"stazione", is_station}, &train_source_reader::station},
}};

namespace {

constexpr auto train_tests = keyword_tests_of(train_source_reader::records);

}  // namespace

std::span<const keyword_test> train_record_tests() { return train_tests; }

reading_end train_source_reader::run() {
  find_general_section();
  record_step step = read_record_loop([this] { return read_matching_records(records); });
  if (step == record_step::failure_exit) return reading_end::failure_exit;
  if (step == record_step::fault_exit) return reading_end::fault_exit;
  // End of reading, also after a position beyond the track: the last entry of
  // each profile holds up to the end of the track.
  step = fill_remaining(speed_, &train_source_reader::write_speed);
  if (step == record_step::go_on || resuming()) step = fill_remaining(adhesion_, &train_source_reader::write_adhesion);
  return step == record_step::go_on ? reading_end::complete : reading_end::fault_exit;
}

// Passes over everything up to and including the first "[generale]" field;
// a file without one leaves nothing to read.
void train_source_reader::find_general_section() {
  while (!reader_.at_end()) {
    read_keyword();
    if (contains_any_case(keyword(), "[generale]")) return;
    note_keyword(field_place::before_general);
  }
}

record_step train_source_reader::braked_mass() {
  const std::int32_t percent = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("percentuale massa frenata", std::array<std::int64_t, 1>{percent});
  model_.items[84].start_m = percent;
  return record_step::go_on;
}

record_step train_source_reader::cars() {
  const std::int32_t count = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("numero vetture", std::array<std::int64_t, 1>{count});
  model_.items[84].at_m = count;
  return record_step::go_on;
}

record_step train_source_reader::clock() {
  const std::int16_t hours = reader_.read_i16();
  const std::int16_t minutes = reader_.read_i16();
  const std::int16_t seconds = reader_.read_i16();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("orologio", std::array<std::int64_t, 3>{hours, minutes, seconds});
  item& train = model_.items[86];
  train.word_3 = hours;
  train.word_4 = minutes;
  train.word_5 = seconds;
  return record_step::go_on;
}

record_step train_source_reader::sand() {
  const std::int16_t value = reader_.read_i16();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("sabbia", std::array<std::int64_t, 1>{value});
  model_.items[86].word_1 = value;
  return record_step::go_on;
}

record_step train_source_reader::speed_entry() {
  return profile_entry("velocita", speed_, &train_source_reader::write_speed);
}

record_step train_source_reader::adhesion_entry() {
  return profile_entry("aderenza", adhesion_, &train_source_reader::write_adhesion);
}

// The cells from the cursor up to n - 1 take the previous entry's value; when
// the cursor already stands at or beyond n one cell is still written. The
// first entry's value also holds before its own position.
record_step train_source_reader::profile_entry(std::string_view record, profile& list, cell_writer write) {
  const std::int32_t position = reader_.read_i32();
  const std::int32_t value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record(record, std::array<std::int64_t, 2>{position, value});
  if (&list == &adhesion_) note_stored("adhesion", value, 0, 255);
  if (!within_track(position, 100, model_.cell_count)) return beyond_track(position);
  if (!list.started) list.previous = value;
  const std::int64_t n = round_half_even_div(position, cell_length_m);
  if (n > 0) {
    do {
      if (list.cursor >= model_.cell_count) break;
      if (record_step step = (this->*write)(model_.cells[list.cursor], list); step != record_step::go_on) return step;
      ++list.cursor;
    } while (list.cursor < n);
  }
  list.previous = value;
  list.started = true;
  list.previous_line = keyword_line_;
  list.previous_keyword = keyword();
  return record_step::go_on;
}

// At the end of the reading the last value holds up to cell cell_count - 3;
// at least one cell is written.
record_step train_source_reader::fill_remaining(profile& list, cell_writer write) {
  do {
    if (list.cursor > model_.cell_count) break;
    if (record_step step = (this->*write)(model_.cells[list.cursor], list); step != record_step::go_on) return step;
    ++list.cursor;
  } while (list.cursor < model_.cell_count - 2);
  return record_step::go_on;
}

// A speed whose code does not fit a byte is found when it is written, but
// reported at the entry that gave it.
record_step train_source_reader::write_speed(track_cell& cell, const profile& list) {
  const std::int64_t code = round_half_even_div(list.previous, 5);
  if (!fits<std::uint8_t>(code))
    return fault_at(list.previous_line, list.previous_keyword,
                    "speed limit " + std::to_string(list.previous) +
                        " km/h cannot be stored: the track holds limits from 0 to 1275 km/h, in steps of 5 km/h");
  cell.speed_limit = static_cast<std::uint8_t>(code);
  return record_step::go_on;
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): a cell_writer, as write_speed is
record_step train_source_reader::write_adhesion(track_cell& cell, const profile& list) {
  cell.adhesion = low_8_bits(list.previous);
  return record_step::go_on;
}

}  // namespace compila
