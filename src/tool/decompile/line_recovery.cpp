// The line source recovered from the cells, items 80 down to 86 and the plan.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "line_compiler/line_source.h"
#include "model/rounding.h"
#include "tool/decompile/source_recovery.h"

namespace compila::decompile {
namespace {

std::string number(std::int64_t value) { return std::to_string(value); }

source_record record(std::string keyword, std::initializer_list<std::int64_t> values) {
  source_record r{std::move(keyword), {}, {}, {}, false};
  for (std::int64_t v : values) r.values.push_back(number(v));
  return r;
}

std::string span_of(const char* what, std::size_t count, std::int64_t from_m, std::int64_t to_m) {
  return std::to_string(count) + " " + what + " from " + km(from_m) + " to " + km(to_m);
}

// The three breakpoints as read, in the records "tre", "due", "uno", such
// that the sort and the flag rule give items 81 to 83 back.
std::array<std::array<std::int32_t, 3>, 3> chainage_records(const compiled_scenario& scenario) {
  std::array<std::array<std::int32_t, 3>, 3> sorted{};
  for (int i = 0; i < 3; ++i) {
    const item& it = scenario.items[81 + i];
    const std::int64_t unflagged = it.at_m == 1 ? std::int64_t{it.end_m} - 100 : it.end_m;
    sorted[i] = {it.start_m, static_cast<std::int32_t>(fits<std::int32_t>(unflagged) ? unflagged : it.end_m), it.at_m};
  }
  std::array<int, 3> order{0, 1, 2};
  do {
    scenario_model trial;
    for (int i = 0; i < 3; ++i) {
      item& it = trial.items[81 + i];
      std::tie(it.start_m, it.end_m, it.at_m) =
          std::tuple(sorted[order[i]][0], sorted[order[i]][1], sorted[order[i]][2]);
    }
    if (!sort_chainage_breakpoints(trial)) continue;
    bool same = true;
    for (int i = 0; i < 3; ++i) same = same && trial.items[81 + i] == scenario.items[81 + i];
    if (same) return {sorted[order[0]], sorted[order[1]], sorted[order[2]]};
  } while (std::next_permutation(order.begin(), order.end()));
  return sorted;  // none fits: the rebuild names the difference
}

source_section general_section(const compiled_scenario& scenario) {
  const auto& items = scenario.items;
  source_section general{"[generale]",
                         "the route: " + km(items[84].end_m) + " long; the track runs 7000 m past its end",
                         {}};
  general.records.push_back(record("lunghezza percorso", {items[84].end_m}));
  const auto chainage = chainage_records(scenario);
  static constexpr std::array<const char*, 3> names{"progressiva chilometrica tre", "progressiva chilometrica due",
                                                    "progressiva chilometrica uno"};
  for (int i = 2; i >= 0; --i)
    general.records.push_back(record(names[i], {chainage[i][0], chainage[i][1], chainage[i][2]}));
  general.records[1].comment = "chainage breakpoints: route position then chainage value then flag";
  general.records.push_back(record("sfondo uno", {items[85].start_m}));
  general.records.back().comment = "the three background settings";
  general.records.push_back(record("sfondo due", {items[85].at_m}));
  general.records.push_back(record("sfondo tre", {items[85].end_m}));
  const char* repetition = items[86].at_m == 9 ? "ripetizione segnali 9 codici" : "ripetizione segnali 4 codici";
  general.records.push_back(record(repetition, {items[86].start_m, items[86].end_m}));
  general.records.back().comment = "signal repetition: two distances in metres";
  return general;
}

int curve_class(double curvature) {
  for (std::size_t c = 0; c < curve_class_curvature.size(); ++c)
    if (std::abs(curvature) == curve_class_curvature[c]) return static_cast<int>(c) + 1;
  return 0;
}

// Each run of one curvature other than 0 is a curve: it starts at the point
// before its first and is as long as its points.
source_section curve_section(const compiled_scenario& scenario) {
  source_section curves{"[curve]", {}, {}};
  std::int32_t first = 2;
  for (const track_plan::run& run : scenario.plan_runs) {
    if (run.curvature != 0.0) {
      const std::int32_t start = first - 1;
      const std::string keyword =
          std::string("curva") + (run.curvature < 0 ? "s" : "d") + std::to_string(curve_class(run.curvature));
      curves.records.push_back(record(keyword, {start, run.last_point - start}));
    }
    first = run.last_point + 1;
  }
  if (!curves.records.empty())
    curves.comment = span_of("curves", curves.records.size(), std::stoll(curves.records.front().values[0]),
                             std::stoll(curves.records.back().values[0])) +
                     ": s turns left and d right; the digit is the class; start then length in metres";
  return curves;
}

std::vector<std::uint8_t> field_of(const compiled_scenario& scenario, std::uint8_t track_cell::*field) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(scenario.cells.size());
  for (const track_cell& cell : scenario.cells) bytes.push_back(cell.*field);
  return bytes;
}

source_section gradient_section(const compiled_scenario& scenario) {
  source_section gradients{"[pendenze]", {}, {}};
  for (const profile_entry& e : profile_entries(field_of(scenario, &track_cell::gradient), scenario.cell_count,
                                                [](std::uint8_t b) { return std::int64_t{b} - 100; }))
    gradients.records.push_back(record("pendenza", {e.position_m, e.value}));
  gradients.comment = "the gradient from each position on: " + std::to_string(gradients.records.size()) + " changes";
  return gradients;
}

// A run of cells of one tunnel kind is a span. Its markers (every fourth
// cell from the first) are asked for when one is still there; a free cell
// where a marker belongs starts another span. A marker out of step with its
// span's was left by a span read over by another: a span of four cells
// ending on it puts it back.
struct mountain_span {
  std::int32_t first_cell = 0;
  std::int32_t last_cell = 0;
  std::uint8_t kind = 0;
  enum class markers { unknown, with, without } marked = markers::unknown;
};

struct mountain_spans {
  std::vector<mountain_span> spans;
  std::vector<mountain_span> extra_markers;
};

class mountain_spans_finder {
 public:
  explicit mountain_spans_finder(const std::vector<track_cell>& cells) : cells_(cells) {}

  mountain_spans run() {
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(cells_.size()); ++c) {
      if (cells_[c].tunnel_kind == 0) continue;
      auto& spans = found_.spans;
      if (spans.empty() || spans.back().last_cell != c - 1 || spans.back().kind != cells_[c].tunnel_kind)
        spans.push_back({c, c, cells_[c].tunnel_kind, mountain_span::markers::unknown});
      spans.back().last_cell = c;
      look_at(c);
    }
    return std::move(found_);
  }

 private:
  void look_at(std::int32_t c) {
    using markers = mountain_span::markers;
    mountain_span& span = found_.spans.back();
    const bool marker_place = (c - span.first_cell + 1) % tunnel_marker_spacing == 0;
    const std::uint8_t type = cells_[c].cell_type;
    if (type == cell_kind::tunnel_marker) {
      if (marker_place && span.marked != markers::without) span.marked = markers::with;
      else found_.extra_markers.push_back({c - (tunnel_marker_spacing - 1), c, span.kind, markers::with});
    } else if (type == cell_kind::nothing && marker_place) {
      if (span.marked == markers::with) {
        span.last_cell = c - 1;
        found_.spans.push_back({c, c, span.kind, markers::unknown});
      } else {
        span.marked = markers::without;
      }
    }
  }

  const std::vector<track_cell>& cells_;
  mountain_spans found_;
};

std::int64_t mountain_kind(const mountain_span& span) {
  if (span.marked == mountain_span::markers::with)
    return span.kind == 0 ? 266 : std::int64_t{span.kind} + tunnel_marker_kind_offset;
  return span.kind <= tunnel_marker_kind_offset ? span.kind : std::int64_t{span.kind} - 256;
}

source_section mountain_section(const compiled_scenario& scenario) {
  source_section mountains{"[montagne]", {}, {}};
  const mountain_spans found = mountain_spans_finder(scenario.cells).run();
  std::int64_t previous_end = 0;
  bool first = true;
  auto add = [&](const mountain_span& span, const char* comment) {
    const std::int64_t start = std::int64_t{span.first_cell} * 50;
    const std::int64_t end = (std::int64_t{span.last_cell} + 1) * 50;
    if (!first && span.kind != close_follow_kind && start - previous_end <= close_follow_gap_m) {
      // The span read just before decides: one that ends at most 150 m before
      // this start would turn it into kind 3.
      source_record gap = record("montagna", {-1000, -1000, 1});
      gap.comment = "a span that covers no cell: it keeps the next span's own kind, since it ends far before it";
      mountains.records.push_back(std::move(gap));
    }
    mountains.records.push_back(record("montagna", {start, end, mountain_kind(span)}));
    if (comment != nullptr && mountains.records.back().comment.empty()) mountains.records.back().comment = comment;
    previous_end = end;
    first = false;
  };
  const char* extra_comment =
      "spans read over by others left these tunnel markers: each span of four cells puts one back";
  for (const mountain_span& extra : found.extra_markers) {
    add(extra, extra_comment);
    extra_comment = nullptr;
  }
  const char* spans_comment = found.extra_markers.empty() ? nullptr : "the spans that set the tunnel kinds";
  for (const mountain_span& span : found.spans) {
    add(span, spans_comment);
    spans_comment = nullptr;
  }
  if (!found.spans.empty())
    mountains.comment = span_of("mountain spans", found.spans.size(), std::int64_t{found.spans.front().first_cell} * 50,
                                (std::int64_t{found.spans.back().last_cell} + 1) * 50) +
                        ": start; end; kind (above 10: with tunnel markers)";
  return mountains;
}

// speed code = s side x 20 + d side / 5: the s side takes the twenties.
std::array<std::int64_t, 2> speeds_of(std::int16_t code) {
  const std::int64_t twenties = code >= 0 ? code / 20 : -((19 - std::int64_t{code}) / 20);  // rounded down
  return {twenties, (code - twenties * 20) * 5};
}

source_section speed_board_section(const compiled_scenario& scenario) {
  source_section boards{"[cartelli]", {}, {}};
  for (std::int32_t c = 0; c < static_cast<std::int32_t>(scenario.cells.size()); ++c) {
    const track_cell& cell = scenario.cells[c];
    // A station's stopping point replaces the type and param_1 of whatever
    // stood on its cell: other parameters left there were a board's.
    const bool covered = cell.cell_type == cell_kind::stopping_point && !covers_signal(scenario.cells, c) &&
                         (cell.param_2 != 0 || cell.param_3 != 0 || cell.param_4 != 0);
    if (cell.cell_type != cell_kind::speed_board && !covered) continue;
    std::array<std::array<std::int64_t, 2>, 3> speeds{speeds_of(covered ? std::int16_t{0} : cell.param_1),
                                                      speeds_of(cell.param_2), speeds_of(cell.param_3)};
    // The stripe code is s side x 10 + d side.
    const std::int64_t stripes_s = cell.param_4 / 10;
    const std::int64_t stripes_d = cell.param_4 - stripes_s * 10;
    source_record board =
        record("indicatori_vmax", {(std::int64_t{c} - 1) * 50, speeds[0][0], speeds[1][0], speeds[2][0], stripes_s,
                                   speeds[0][1], speeds[1][1], speeds[2][1], stripes_d});
    const bool fast = std::any_of(speeds.begin(), speeds.end(), [](const auto& s) { return s[0] >= 100; });
    if (fast) board.note = "codes from 100 km/h up have more than one source: these rebuild the same codes";
    if (covered) board.comment = "a board under a station's stopping point: only its later codes remain";
    boards.records.push_back(std::move(board));
  }
  if (!boards.records.empty())
    boards.comment =
        span_of("speed indicator boards", boards.records.size(), std::stoll(boards.records.front().values[0]),
                std::stoll(boards.records.back().values[0])) +
        ": s side speeds a b c and stripes; then the d side";
  return boards;
}

// Signboards take item slots 80, 79, ... in reading order: they are written
// in slot order, which the text in each slot needs. A signboard whose cell a
// station's stopping point took left only its text: it goes on a stopping
// point's cell again.
source_section signboard_section(const compiled_scenario& scenario) {
  source_section signboards{"[indicazioni]", {}, {}};
  std::map<std::int32_t, std::int32_t> cell_of_slot;
  std::vector<std::int32_t> stopping_points;
  for (std::int32_t c = 0; c < static_cast<std::int32_t>(scenario.cells.size()); ++c) {
    const track_cell& cell = scenario.cells[c];
    if (cell.cell_type == cell_kind::signboard) cell_of_slot[cell.param_1] = c;
    const bool bare = cell.param_2 == 0 && cell.param_3 == 0 && cell.param_4 == 0;
    if (cell.cell_type == cell_kind::stopping_point && bare && !covers_signal(scenario.cells, c))
      stopping_points.push_back(c);
  }
  std::int32_t lowest = cell_of_slot.empty() ? first_signboard_slot + 1 : cell_of_slot.begin()->first;
  for (std::int32_t slot = station_count(scenario) + 1; slot < lowest; ++slot)
    if (!(scenario.items[slot] == item{})) lowest = slot;
  std::int32_t previous_cell = -1;
  bool in_chainage_order = true;
  for (std::int32_t slot = first_signboard_slot; slot >= lowest && slot >= 1; --slot) {
    std::int32_t cell = -1;
    std::string comment;
    if (const auto found = cell_of_slot.find(slot); found != cell_of_slot.end()) {
      cell = found->second;
    } else if (!stopping_points.empty()) {
      cell = stopping_points.front();
      stopping_points.erase(stopping_points.begin());
      comment = "a signboard whose cell a station's stopping point takes: only its text remains";
    } else {
      continue;  // nowhere to put it: the rebuild names the slot
    }
    in_chainage_order = in_chainage_order && cell > previous_cell;
    previous_cell = cell;
    source_record board = record("cartello_indicatore", {(std::int64_t{cell} - 1) * 50});
    board.values.push_back(scenario.items[slot].text);
    board.ends_in_text = true;
    board.comment = comment;
    signboards.records.push_back(std::move(board));
  }
  if (!signboards.records.empty()) {
    signboards.comment = std::to_string(signboards.records.size()) + " signboards: position and text";
    if (!in_chainage_order)
      signboards.comment += "; in the order of their item slots (80 down) and not of chainage: the slots need it";
  }
  return signboards;
}

}  // namespace

bool covers_signal(const std::vector<track_cell>& cells, std::int32_t cell) {
  if (cells[cell].cell_type != cell_kind::stopping_point) return false;
  for (std::int32_t i = 1; i <= 4; ++i) {
    if (cell - 2 * i < 0) break;
    const std::uint8_t code = cells[cell - 2 * i].approach_code;
    // Cells 1 to 4 before the point carry the station's own approach codes.
    const bool station_code = 2 * i <= 4 && code >= 81 && code <= 84;
    if (code != 0 && code % 10 == i && !station_code) return true;
  }
  return false;
}

std::vector<profile_entry> profile_entries(const std::vector<std::uint8_t>& cells, std::int32_t cell_count,
                                           const std::function<std::int64_t(std::uint8_t)>& value) {
  // The cells written: up to cell_count - 3 at least, further where a byte
  // other than 0 shows that entries at the last position wrote on.
  const std::int64_t tail_end = std::max<std::int64_t>(1, std::int64_t{cell_count} - 2);
  std::int64_t written = tail_end;
  for (std::int64_t c = static_cast<std::int64_t>(cells.size()) - 1; c >= tail_end; --c) {
    if (cells[c] != 0) {
      written = c + 1;
      break;
    }
  }
  std::vector<profile_entry> entries{{0, value(cells[0])}};
  for (std::int64_t c = 1; c < std::min(written, tail_end); ++c)
    if (cells[c] != cells[c - 1]) entries.push_back({c * 50, value(cells[c])});
  // Cells past cell_count - 3: one entry each at the last position the range
  // test lets through, each writing one cell with the value before it.
  for (std::int64_t c = tail_end; c < written; ++c) entries.push_back({tail_end * 50, value(cells[c])});
  return entries;
}

std::vector<source_section> line_sections(const compiled_scenario& scenario) {
  return {general_section(scenario),  curve_section(scenario),       gradient_section(scenario),
          mountain_section(scenario), speed_board_section(scenario), signboard_section(scenario)};
}

}  // namespace compila::decompile
