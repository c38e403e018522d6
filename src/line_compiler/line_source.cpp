#include "line_compiler/line_source.h"

#include <algorithm>
#include <array>
#include <limits>

#include "line_compiler/line_source_reader.h"
#include "model/error_kinds.h"
#include "model/rounding.h"

namespace compila {

line_reading read_line_source(scenario_model& model, std::string_view text, std::string file_name,
                              reading_observer* observer) {
  return line_source_reader(model, text, std::move(file_name), observer).run();
}

namespace {

// The keyword tests. The route length, gradient and line records are tested
// without regard to case; chainage, background and repetition exactly.
bool is_route_length(std::string_view f) {
  return contains_any_case(f, "lunghezza") && contains_any_case(f, "percorso");
}
bool is_chainage_three(std::string_view f) { return contains(f, "tre") && contains(f, "progressiva"); }
bool is_chainage_two(std::string_view f) { return contains(f, "due") && contains(f, "progressiva"); }
bool is_chainage_one(std::string_view f) { return contains(f, "uno") && contains(f, "progressiva"); }
bool is_background_one(std::string_view f) { return contains(f, "sfondo") && contains(f, "uno"); }
bool is_background_two(std::string_view f) { return contains(f, "sfondo") && contains(f, "due"); }
bool is_background_three(std::string_view f) { return contains(f, "sfondo") && contains(f, "tre"); }
bool is_signal_repetition(std::string_view f) { return contains(f, "segnali") && contains(f, "ripetizione"); }
bool is_gradient(std::string_view f) { return contains_any_case(f, "pendenza"); }
bool is_curve(std::string_view f) { return contains_any_case(f, "curva"); }
bool is_mountain(std::string_view f) { return contains_any_case(f, "montagna"); }
bool is_speed_board(std::string_view f) { return contains_any_case(f, "indicatori_v"); }
bool is_signboard(std::string_view f) { return contains_any_case(f, "indicat") && contains_any_case(f, "cartello"); }

reading_end end_of(record_step step) {
  switch (step) {
    case record_step::failure_exit: return reading_end::failure_exit;
    case record_step::fault_exit: return reading_end::fault_exit;
    default: return reading_end::complete;
  }
}

bool is_section_end(const std::string& field) {
  return contains(field, "[") && contains(field, "]") && field.front() != '-';
}

}  // namespace

// A field may match several records: each one that matches reads its own
// values, in this order.
constexpr std::array<line_source_reader::record_row, 8> line_source_reader::general_records{{
    {{"lunghezza percorso", is_route_length}, &line_source_reader::route_length},
    {{"progressiva chilometrica tre", is_chainage_three}, &line_source_reader::chainage_breakpoint_three},
    {{"progressiva chilometrica due", is_chainage_two}, &line_source_reader::chainage_breakpoint_two},
    {{"progressiva chilometrica uno", is_chainage_one}, &line_source_reader::chainage_breakpoint_one},
    {{"sfondo uno", is_background_one}, &line_source_reader::background_one},
    {{"sfondo due", is_background_two}, &line_source_reader::background_two},
    {{"sfondo tre", is_background_three}, &line_source_reader::background_three},
    {{"ripetizione segnali 4 codici", is_signal_repetition}, &line_source_reader::signal_repetition},
}};

// The curve is read only with the plan built (see curve()).
constexpr std::array<line_source_reader::record_row, 5> line_source_reader::line_records{{
    {{"pendenza", is_gradient}, &line_source_reader::gradient},
    {{"curva", is_curve}, &line_source_reader::curve},
    {{"montagna", is_mountain}, &line_source_reader::mountain},
    {{"indicatori_vmax", is_speed_board}, &line_source_reader::speed_board},
    {{"cartello_indicatore", is_signboard}, &line_source_reader::signboard},
}};

namespace {

constexpr auto general_tests = keyword_tests_of(line_source_reader::general_records);
constexpr auto line_tests = keyword_tests_of(line_source_reader::line_records);

}  // namespace

std::span<const keyword_test> general_record_tests() { return general_tests; }
std::span<const keyword_test> line_record_tests() { return line_tests; }

line_reading line_source_reader::run() {
  line_reading reading;
  auto ended = [&](record_step step) {
    reading.end = end_of(step);
    reading.next_signboard_slot = signboard_slot_;
    return reading;
  };
  if (!find_general_section())
    return ended(fail(error_kinds::no_general_section, "no field \"[generale]\" before the end of the file"));
  record_step step = read_general_section();
  if (step == record_step::go_on || resuming()) step = sort_breakpoints(reading);
  if ((step == record_step::failure_exit || step == record_step::fault_exit) && !resuming()) return ended(step);
  // Without a route length there are no cells to place anything on: the rest
  // of the file is left unread and nothing is completed.
  if (!model_.has_cells()) return ended(record_step::go_on);
  start_record_part();
  step = read_record_loop([this] { return read_matching_records(line_records); });
  if (step == record_step::failure_exit || step == record_step::fault_exit) return ended(step);
  complete_reading();
  return ended(record_step::go_on);
}

record_step line_source_reader::sort_breakpoints(line_reading& reading) {
  const std::array<item, 3> as_read{model_.items[81], model_.items[82], model_.items[83]};
  std::array<int, 3> origin{};
  const bool sorted = sort_chainage_breakpoints(model_, &origin);
  for (int i = 0; i < 3; ++i) {
    const bool was_read = origin[i] != 0 && !read_breakpoint_sites_[origin[i] - 81].file.empty();
    reading.breakpoint_sites[i] =
        was_read ? read_breakpoint_sites_[origin[i] - 81] : diagnostic_site{file_name_, 0, "progressiva", {}};
  }
  if (sorted) return record_step::go_on;
  // The breakpoint to name is the one whose value as read cannot take 100
  // more: after sorting, a value that could is already raised and may look
  // just as large.
  for (int i = 0; i < 3; ++i) {
    if (origin[i] == 0) continue;
    const item& breakpoint = as_read[origin[i] - 81];
    if (breakpoint.at_m == 1 && breakpoint.end_m > std::numeric_limits<std::int32_t>::max() - 100) {
      const diagnostic_site& site = reading.breakpoint_sites[i];
      return fault_at(site.line, site.keyword,
                      "chainage value " + std::to_string(breakpoint.end_m) + " with flag 1 cannot take 100 more");
    }
  }
  return fault("a chainage value with flag 1 cannot take 100 more");
}

// Passes over everything up to the first field holding "[generale]"; false
// when the end of the file comes first or that field is the last one.
bool line_source_reader::find_general_section() {
  while (!reader_.at_end()) {
    read_keyword();
    if (reader_.at_end()) return false;
    if (contains_any_case(keyword(), "[generale]")) return true;
    note_keyword(field_place::before_general);
  }
  return false;
}

record_step line_source_reader::read_general_section() {
  while (!reader_.at_end()) {
    read_keyword();
    if (reader_.at_end()) break;  // the last field is never interpreted
    for (int skipped = 0; skipped < 10 && contains(keyword(), "-"); ++skipped) {
      note_comment(field_place::general_section);
      read_keyword();
    }
    if (reader_.failed()) return values_read();
    note_keyword(field_place::general_section);
    const record_step step = read_matching_records(general_records);
    if (step != record_step::go_on) {
      if (!resuming()) return step;
      reader_.resume_at_next_line(keyword_line_);
      continue;
    }
    if (is_section_end(keyword())) break;
  }
  return record_step::go_on;
}

record_step line_source_reader::route_length() {
  const std::int32_t length = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("lunghezza percorso", std::array<std::int64_t, 1>{length});
  model_.items[84].end_m = length;
  // A length over the limit is refused before the arrays are touched: a track
  // sized by an earlier record stays as it was.
  if (length > max_route_length_m)
    return fail(error_kinds::route_too_long, "route length " + std::to_string(length) + " is above 1,000,000 metres");
  // A new route length discards whatever the arrays held.
  model_.cells.clear();
  model_.track_plan.clear();
  // Cell 1 carries the format marker and a competition code, so a track must
  // reach it; a shorter length leaves no track at all, whatever came before.
  if (length < min_route_length_m)
    return fault("route length " + std::to_string(length) + " leaves no cell 1 (the least usable length is " +
                 std::to_string(min_route_length_m) + ")");
  model_.track_extent_m = length + extent_beyond_route_m;
  model_.cell_count = static_cast<std::int32_t>(round_half_even_div(model_.track_extent_m, cell_length_m));
  model_.cells.assign(static_cast<std::size_t>(model_.cell_count) + 1, track_cell{});
  if (plan_on()) {
    model_.track_plan.create(model_.track_extent_m);
  }
  return record_step::go_on;
}

// Each general record stores its numbers only once all of them are read: a
// record that fails to read leaves the fields as they were.
record_step line_source_reader::chainage_breakpoint(int slot) {
  read_breakpoint_sites_[slot - 81] = {file_name_, keyword_line_, keyword(), {}};
  const std::int32_t route_position = reader_.read_i32();
  const std::int32_t value = reader_.read_i32();
  const std::int32_t mode = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("progressiva chilometrica", std::array<std::int64_t, 3>{route_position, value, mode});
  item& breakpoint = model_.items[slot];
  breakpoint.start_m = route_position;
  breakpoint.end_m = value;
  breakpoint.at_m = mode;
  return record_step::go_on;
}

record_step line_source_reader::background(std::int32_t item::*field) {
  const std::int32_t value = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("sfondo", std::array<std::int64_t, 1>{value});
  model_.items[85].*field = value;
  return record_step::go_on;
}

record_step line_source_reader::signal_repetition() {
  const std::int32_t first = reader_.read_i32();
  const std::int32_t second = reader_.read_i32();
  if (record_step step = values_read(); step != record_step::go_on) return step;
  note_record("ripetizione segnali", std::array<std::int64_t, 2>{first, second});
  item& repetition = model_.items[86];
  repetition.start_m = first;
  repetition.end_m = second;
  if (!is_multiple_of_50(repetition.start_m))
    return fail(error_kinds::repetition_first,
                "signal repetition value " + std::to_string(repetition.start_m) + " is not a multiple of 50");
  if (!is_multiple_of_50(repetition.end_m))
    return fail(error_kinds::repetition_second,
                "signal repetition value " + std::to_string(repetition.end_m) + " is not a multiple of 50");
  if (contains(keyword(), "4")) {
    repetition.at_m = 4;
  } else if (contains(keyword(), "9")) {
    repetition.at_m = 9;
  } else {
    return fail(error_kinds::repetition_code, "the signal repetition keyword holds neither \"4\" nor \"9\"");
  }
  if (repetition.end_m == 0) repetition.at_m = 0;
  return record_step::go_on;
}

void line_source_reader::start_record_part() {
  model_.mountain_count = 0;
  signboard_slot_ = first_signboard_slot;
  gradient_cursor_ = 0;
  previous_gradient_ = 0;
  if (plan_on()) model_.track_plan.place_origin();
}

void line_source_reader::complete_reading() {
  gradient_tail();
  if (plan_on()) plan_tail();
}

bool sort_chainage_breakpoints(scenario_model& model, std::array<int, 3>* origin) {
  struct breakpoint {
    std::int32_t position, chainage, flag;
    int read_rank;  // on equal positions "uno" comes first, then "due", then "tre"
    int slot;       // the slot it was read into
  };
  auto take = [&](int slot, int rank) {
    const item& it = model.items[slot];
    return breakpoint{it.start_m, it.end_m, it.at_m, rank, slot};
  };
  const breakpoint three = take(81, 2), two = take(82, 1), one = take(83, 0);
  const breakpoint zero{0, 0, 0, 0, 0};
  std::array<breakpoint, 3> order;

  const std::int64_t position_sum = std::int64_t{three.position} + two.position + one.position;
  if (position_sum == 0) {
    if (one.chainage > 0) order = {one, two, three};
    else if (two.chainage > 0) order = {two, three, one};
    else if (three.chainage > 0) order = {three, two, one};
    else order = {zero, zero, zero};
  } else {
    order = {three, two, one};
    std::sort(order.begin(), order.end(), [](const breakpoint& a, const breakpoint& b) {
      return a.position != b.position ? a.position > b.position : a.read_rank < b.read_rank;
    });
    if (order[0].position == order[1].position) order = {zero, zero, zero};
  }

  bool fits_all = true;
  for (int i = 0; i < 3; ++i) {
    item& it = model.items[81 + i];
    if (origin != nullptr) (*origin)[i] = order[i].slot;
    it.start_m = order[i].position;
    it.end_m = order[i].chainage;
    it.at_m = order[i].flag;
    if (it.at_m == 1) {
      const std::int64_t raised = std::int64_t{it.end_m} + 100;
      if (fits<std::int32_t>(raised)) it.end_m = static_cast<std::int32_t>(raised);
      else fits_all = false;
    }
  }
  return fits_all;
}

}  // namespace compila
