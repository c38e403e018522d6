// The train source recovered from items 1 to 86 and the cells.
#include <algorithm>
#include <array>
#include <queue>

#include "model/rounding.h"
#include "tool/decompile/source_recovery.h"

namespace compila::decompile {
namespace {

constexpr std::int16_t automatic_point_value = 180;

source_record record(std::string keyword, std::initializer_list<std::int64_t> values) {
  source_record r{std::move(keyword), {}, {}, {}, false};
  for (std::int64_t v : values) r.values.push_back(std::to_string(v));
  return r;
}

std::vector<std::uint8_t> field_of(const compiled_scenario& scenario, std::uint8_t track_cell::*field) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(scenario.cells.size());
  for (const track_cell& cell : scenario.cells) bytes.push_back(cell.*field);
  return bytes;
}

std::int64_t first_position(const source_section& section) {
  return section.records.empty() ? 0 : std::stoll(section.records.front().values[0]);
}
std::int64_t last_position(const source_section& section) {
  return section.records.empty() ? 0 : std::stoll(section.records.back().values[0]);
}
std::string where(const source_section& section, const char* what) {
  return std::to_string(section.records.size()) + " " + what + " from " + km(first_position(section)) + " to " +
         km(last_position(section));
}

source_section general_section(const compiled_scenario& scenario) {
  const item& cars = scenario.items[84];
  const item& train = scenario.items[86];
  source_section general{"[generale]", "the train", {}};
  general.records.push_back(record("numero vetture", {cars.at_m}));
  general.records.push_back(record("percentuale massa frenata", {cars.start_m}));
  general.records.push_back(record("sabbia", {train.word_1}));
  general.records.push_back(record("orologio", {train.word_3, train.word_4, train.word_5}));
  general.records.back().comment = "the clock at the start: hours minutes seconds";
  return general;
}

source_section profile_section(const compiled_scenario& scenario, const char* header, const char* keyword,
                               std::uint8_t track_cell::*field, std::int64_t scale, const char* what) {
  source_section section{header, {}, {}};
  for (const profile_entry& e :
       profile_entries(field_of(scenario, field), scenario.cell_count, [scale](std::uint8_t b) { return b * scale; }))
    section.records.push_back(record(keyword, {e.position_m, e.value}));
  section.comment =
      std::string(what) + " from each position on: " + std::to_string(section.records.size()) + " entries";
  return section;
}

bool is_station(const item& it) { return !(it == item{}); }

bool is_platform_kind(std::int32_t kind) { return kind == 5 || kind == 6; }
bool is_long_kind(std::int32_t kind) { return kind == 7 || kind == 8; }

source_record station_record(const item& station, std::int32_t slot) {
  const std::int64_t at = station.at_m;
  const bool fixed_extent = is_platform_kind(station.kind) || is_long_kind(station.kind);
  const std::int64_t length = fixed_extent ? at - station.start_m : 2 * (at - station.start_m);
  // Value 6 moves the end 50 m out; slot 1 and kinds 5 to 8 do not keep it.
  std::int64_t end_extension = station.byte_3;
  if (fixed_extent) end_extension = 0;
  if (slot == 1 && !fixed_extent) end_extension = station.end_m - (at + length / 2) != 0 ? 1 : 0;
  const std::int64_t time = station.seconds;
  const bool whole_day = time >= 0;
  source_record r = record("stazione", {at, station.kind, length, station.flag, station.byte_4, end_extension,
                                        station.word_1, station.word_2, station.byte_1, station.word_3, station.word_4,
                                        station.word_5, station.byte_2, whole_day ? time / 3600 : 0,
                                        whole_day ? time % 3600 / 60 : 0, whole_day ? time % 60 : time});
  r.values.push_back(station.text);
  r.ends_in_text = true;
  return r;
}

// What the reading of one station or signal writes on approach cells.
struct approach_writer {
  source_record source;
  bool station = false;
  std::vector<std::pair<std::int32_t, std::uint8_t>> writes;  // cell, approach code
  std::int32_t covered_cell = -1;                             // a signal's cell that a stopping point covers
  std::int32_t stop_cell = -1;                                // a station's stopping point
};

approach_writer station_writer(const compiled_scenario& scenario, std::int32_t slot) {
  const item& station = scenario.items[slot];
  approach_writer writer{station_record(station, slot), true, {}};
  if (station.kind >= 25) return writer;
  const std::int64_t stop = station.end_m / 50 - 1;
  writer.stop_cell = static_cast<std::int32_t>(stop);
  if (!is_platform_kind(station.kind)) {
    for (std::int64_t i = 1; i <= 4; ++i)
      if (stop - i > 1 && stop - i < static_cast<std::int64_t>(scenario.cells.size()))
        writer.writes.emplace_back(static_cast<std::int32_t>(stop - i), static_cast<std::uint8_t>(80 + i));
  }
  return writer;
}

std::array<std::int64_t, 2> digits(std::int16_t packed) {
  const std::int64_t tens = packed / 10;
  return {tens, packed - tens * 10};
}

// param_4 = rapp x 10 + sx x 3 + dx, and the approach codes carry
// (sx x 3 + dx) x 10 + i: the side codes are chosen to give both.
approach_writer signal_writer(const compiled_scenario& scenario, std::int32_t c) {
  const track_cell& cell = scenario.cells[c];
  const std::int64_t packed = cell.param_4;
  // The side codes whose approach codes most cells still hold (later
  // records may have written over some), the plain digit on a tie.
  auto matches = [&](std::int64_t s) {
    int count = 0;
    for (std::int64_t i = 1; i <= 4; ++i)
      if (c - 2 * i >= 0 && scenario.cells[c - 2 * i].approach_code == low_8_bits(s * 10 + i)) ++count;
    return count;
  };
  std::int64_t side = ((packed % 10) + 10) % 10;
  int best = matches(side);
  for (std::int64_t s = -60; s <= 400 && best < 4; ++s) {
    if ((packed - s) % 10 != 0) continue;
    if (const int count = matches(s); count > best) {
      best = count;
      side = s;
    }
  }
  const std::int64_t whole = (packed - side) / 10;
  std::int64_t sx = side >= 0 ? side / 3 : -((2 - side) / 3);
  if (cell.signal_time != 0) sx = 2;
  const std::int64_t dx = side - 3 * sx;
  // A time from 1 to 100 is raised to 101: 256 more keeps its low byte.
  std::int64_t time = 0;
  if (sx == 2) time = cell.signal_time >= 1 && cell.signal_time <= 100 ? cell.signal_time + 256 : cell.signal_time;
  const bool covered = cell.cell_type == cell_kind::stopping_point;  // the station's slot replaced param_1
  const auto p1 = digits(covered ? std::int16_t{0} : cell.param_1), p2 = digits(cell.param_2),
             p3 = digits(cell.param_3);
  approach_writer writer{record("segnale", {(std::int64_t{c} - 1) * 50, sx, p1[0], p2[0], p3[0], whole, dx, p1[1],
                                            p2[1], p3[1], time}),
                         false,
                         {}};
  for (std::int64_t i = 1; i <= 4; ++i)
    if (c - 2 * i >= 0) writer.writes.emplace_back(static_cast<std::int32_t>(c - 2 * i), low_8_bits(side * 10 + i));
  if (covered) {
    writer.covered_cell = c;
    writer.source.comment = "a signal under a station's stopping point: read before the station";
  }
  return writer;
}

// The reading order of stations and signals: stations keep their slot order,
// and where several write one approach cell the one whose code the cell
// holds is read last. Otherwise stations come first, signals by chainage.
std::vector<std::size_t> reading_order(const std::vector<approach_writer>& writers, std::size_t cell_total,
                                       const compiled_scenario& scenario) {
  std::vector<std::vector<std::size_t>> on_cell(cell_total);
  for (std::size_t w = 0; w < writers.size(); ++w)
    for (const auto& [cell, code] : writers[w].writes) on_cell[cell].push_back(w);
  std::vector<std::vector<std::size_t>> after(writers.size());
  std::vector<std::size_t> waiting(writers.size(), 0);
  auto must_precede = [&](std::size_t first, std::size_t then) {
    after[first].push_back(then);
    ++waiting[then];
  };
  for (std::size_t w = 1; w < writers.size(); ++w)
    if (writers[w].station && writers[w - 1].station) must_precede(w - 1, w);
  for (std::size_t w = 0; w < writers.size(); ++w) {
    if (writers[w].covered_cell < 0) continue;
    for (std::size_t s = 0; s < writers.size(); ++s)
      if (writers[s].station && writers[s].stop_cell == writers[w].covered_cell) must_precede(w, s);
  }
  for (std::size_t c = 0; c < cell_total; ++c) {
    if (on_cell[c].size() < 2) continue;
    const std::uint8_t final_code = scenario.cells[c].approach_code;
    std::size_t decider = writers.size();
    for (std::size_t w : on_cell[c])
      for (const auto& [cell, code] : writers[w].writes)
        if (cell == static_cast<std::int32_t>(c) && code == final_code) decider = w;
    if (decider == writers.size()) continue;  // no order gives it: the rebuild names the cell
    for (std::size_t w : on_cell[c])
      for (const auto& [cell, code] : writers[w].writes)
        if (cell == static_cast<std::int32_t>(c) && code != final_code && w != decider) must_precede(w, decider);
  }
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> ready;
  for (std::size_t w = 0; w < writers.size(); ++w)
    if (waiting[w] == 0) ready.push(w);
  std::vector<std::size_t> order;
  std::vector<bool> placed(writers.size(), false);
  while (!ready.empty()) {
    const std::size_t w = ready.top();
    ready.pop();
    order.push_back(w);
    placed[w] = true;
    for (std::size_t next : after[w])
      if (--waiting[next] == 0) ready.push(next);
  }
  for (std::size_t w = 0; w < writers.size(); ++w)  // a cycle: the rebuild names what differs
    if (!placed[w]) order.push_back(w);
  return order;
}

source_section slowdown_section(const compiled_scenario& scenario) {
  source_section slowdowns{"[rallentamenti]", {}, {}};
  const auto& cells = scenario.cells;
  const auto total = static_cast<std::int32_t>(cells.size());
  std::vector<bool> used_end(cells.size(), false);
  for (std::int32_t s = 0; s < total; ++s) {
    if (cells[s].cell_type != cell_kind::slowdown_start) continue;
    // Its end is the first end after it that carries the same values (ends
    // of slowdowns that overlap may come in any order).
    std::int32_t e = s + 1;
    while (e < total &&
           !(cells[e].cell_type == cell_kind::slowdown_end && !used_end[e] && cells[e].param_1 == cells[s].param_1 &&
             cells[e].param_2 == cells[s].param_2 && cells[e].param_3 == cells[s].param_3))
      ++e;
    if (e >= total) e = s;  // the start covered its own end
    used_end[e] = true;
    const std::int64_t x = (std::int64_t{s} - 1) * 50;
    const bool countdown = x > 1500 && s >= 25 && cells[s - 25].cell_type == cell_kind::countdown;
    source_record r = record("rallentamento", {x, cells[s].param_1, (std::int64_t{e} - s) * 50, cells[s].param_3,
                                               countdown ? 1 : 0, cells[s].param_2});
    slowdowns.records.push_back(std::move(r));
  }
  if (!slowdowns.records.empty())
    slowdowns.comment =
        where(slowdowns, "slowdowns") + ": start; speed; length; end value; countdown boards (1); board value";
  return slowdowns;
}

}  // namespace

// The slots below the first signboard slot that hold a station, from 1 up.
std::int32_t station_count(const compiled_scenario& scenario) {
  std::int32_t lowest_signboard = 81;
  for (const track_cell& cell : scenario.cells)
    if (cell.cell_type == cell_kind::signboard)
      lowest_signboard = std::min<std::int32_t>(lowest_signboard, cell.param_1);
  std::int32_t count = 0;
  while (count + 1 < std::min(lowest_signboard, 80) && is_station(scenario.items[count + 1])) ++count;
  return count;
}

train_recovery::train_recovery(const compiled_scenario& scenario) : scenario_(scenario) {}

std::vector<std::int32_t> train_recovery::certain_author_points() const {
  std::vector<std::int32_t> points;
  for (std::int32_t c = 0; c < static_cast<std::int32_t>(scenario_.cells.size()); ++c) {
    const track_cell& cell = scenario_.cells[c];
    if (cell.cell_type == cell_kind::reduction_without_value ||
        (cell.cell_type == cell_kind::reduction_with_value && cell.param_1 != automatic_point_value))
      points.push_back(c);
  }
  return points;
}

std::vector<source_section> train_recovery::ordered_objects() const {
  std::vector<approach_writer> writers;
  const std::int32_t stations = station_count(scenario_);
  for (std::int32_t slot = 1; slot <= stations; ++slot) writers.push_back(station_writer(scenario_, slot));
  for (std::int32_t c = 0; c < static_cast<std::int32_t>(scenario_.cells.size()); ++c)
    if (scenario_.cells[c].cell_type == cell_kind::signal || covers_signal(scenario_.cells, c))
      writers.push_back(signal_writer(scenario_, c));
  const std::vector<std::size_t> order = reading_order(writers, scenario_.cells.size(), scenario_);

  std::vector<source_section> sections;
  for (std::size_t place = 0; place < order.size(); ++place) {
    approach_writer& writer = writers[order[place]];
    const char* header = writer.station ? "[stazioni]" : "[segnali]";
    if (sections.empty() || sections.back().header != header) sections.push_back({header, {}, {}});
    if (order[place] != place)
      writer.source.comment = "read here and not in chainage order: it shares approach cells with a record near it " +
                              std::string("and the record read later sets their codes");
    sections.back().records.push_back(std::move(writer.source));
  }
  for (source_section& section : sections)
    section.comment =
        section.header == std::string("[stazioni]")
            ? where(section, "stations") + ": position; kind; length; values 4 to 13; hours minutes seconds; name"
            : where(section, "signals") + ": position; s side code and three codes; whole-signal " +
                  "code; d side code and three codes; time";
  return sections;
}

std::vector<source_section> train_recovery::sections(const std::vector<std::int32_t>& author_points) const {
  std::vector<source_section> sections{general_section(scenario_),
                                       profile_section(scenario_, "[aderenze]", "aderenza", &track_cell::adhesion, 1,
                                                       "the adhesion in percent"),
                                       profile_section(scenario_, "[vel_limite]", "velocita", &track_cell::speed_limit,
                                                       5, "the speed limit in km/h")};
  std::vector<source_section> objects = ordered_objects();
  // The slowdowns follow the last group of stations.
  auto last_stations =
      std::find_if(objects.rbegin(), objects.rend(), [](const source_section& s) { return s.header == "[stazioni]"; });
  const auto slowdowns_at = last_stations == objects.rend() ? objects.begin() : last_stations.base();
  objects.insert(slowdowns_at, slowdown_section(scenario_));
  sections.insert(sections.end(), objects.begin(), objects.end());

  source_section codes{"[codici]", {}, {}};
  for (std::int32_t r : author_points) {
    const track_cell& cell = scenario_.cells[r];
    std::int64_t value = 0;
    if (cell.cell_type == cell_kind::reduction_with_value)
      value = cell.param_1 > 0 ? cell.param_1 : cell.param_1 + 65536;
    codes.records.push_back(record("abbattimento", {std::int64_t{r} * 50, value}));
  }
  if (!codes.records.empty())
    codes.comment = where(codes, "reduction points of the author") +
                    ": position and value (0: without a value); the build adds its own around the slowdowns";
  sections.push_back(std::move(codes));
  return sections;
}

}  // namespace compila::decompile
