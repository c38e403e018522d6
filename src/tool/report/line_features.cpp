#include "tool/report/line_features.h"

#include <set>

namespace compila::report {
namespace {

cell_object object_at(std::span<const track_cell> cells, std::int32_t i) {
  const track_cell& c = cells[i];
  return {i, c.cell_type, {c.param_1, c.param_2, c.param_3, c.param_4}};
}

// Item slots that hold a station: 1 to 80, neither a signboard's text nor
// left cleared. Signboards fill the same slots from 80 downward.
std::vector<station> read_stations(std::span<const track_cell> cells, const std::array<item, item_slots>& items,
                                   const std::set<int>& signboard_slots) {
  std::vector<station> stations;
  std::array<int, item_slots> index_of_slot{};
  index_of_slot.fill(-1);
  for (int slot = 1; slot <= 80; ++slot) {
    const item& it = items[slot];
    if (signboard_slots.contains(slot) || it == item{}) continue;
    index_of_slot[slot] = static_cast<int>(stations.size());
    stations.push_back({slot, it.text, it.kind, it.at_m, it.start_m, it.end_m, it.seconds, {}});
  }
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const track_cell& c = cells[i];
    if (c.cell_type != cell_kind::stopping_point || c.param_1 < 0 || c.param_1 >= item_slots) continue;
    if (const int index = index_of_slot[c.param_1]; index >= 0)
      stations[index].stops_m.push_back(static_cast<std::int32_t>(i) * cell_length_m);
  }
  return stations;
}

}  // namespace

std::vector<double> heights_from(const std::vector<run>& gradient_runs, std::int32_t cell_total) {
  std::vector<double> heights(static_cast<std::size_t>(cell_total) + 1, 0.0);
  for (const run& r : gradient_runs)
    for (std::int32_t i = r.first; i <= r.last && i < cell_total; ++i)
      heights[i + 1] = heights[i] + r.value * (cell_length_m / 1000.0);
  return heights;
}

line_features read_features(std::span<const track_cell> cells, const std::array<item, item_slots>& items) {
  line_features f;
  const auto count = static_cast<std::int32_t>(cells.size());
  f.cell_count = count - 1;
  // The build fills the profiles up to the third-last cell; the last three keep zeros.
  f.profile_cells = count > 3 ? count - 3 : count;
  f.gradient = runs_of(cells, f.profile_cells, [](const track_cell& c) { return int{c.gradient} - 100; });
  f.speed_kmh = runs_of(cells, f.profile_cells, [](const track_cell& c) { return int{c.speed_limit} * 5; });
  f.adhesion = runs_of(cells, f.profile_cells, [](const track_cell& c) { return int{c.adhesion}; });
  f.tunnels = runs_of(
      cells, count, [](const track_cell& c) { return int{c.tunnel_kind}; }, true);
  f.height_m = heights_from(f.gradient, f.profile_cells);

  std::set<int> signboard_slots;
  bool open = false;  // a slowdown start waits for its end
  for (std::int32_t i = 0; i < count; ++i) {
    const track_cell& c = cells[i];
    switch (c.cell_type) {
      case cell_kind::signal: f.signals.push_back(object_at(cells, i)); break;
      case cell_kind::speed_board: f.speed_boards.push_back(object_at(cells, i)); break;
      case cell_kind::warning_board: f.warning_boards.push_back(object_at(cells, i)); break;
      case cell_kind::countdown: f.countdowns.push_back(object_at(cells, i)); break;
      case cell_kind::reduction_with_value:
      case cell_kind::reduction_without_value: f.reductions.push_back(object_at(cells, i)); break;
      case cell_kind::signboard: {
        const int slot = c.param_1;
        const bool valid = slot >= 0 && slot < item_slots;
        f.signboards.push_back({i, slot, valid ? items[slot].text : std::string()});
        if (valid) signboard_slots.insert(slot);
        break;
      }
      case cell_kind::slowdown_start:
        f.slowdowns.push_back({i, count - 1, c.param_1, false});
        open = true;
        break;
      case cell_kind::slowdown_end:
        if (open) {
          f.slowdowns.back().end_cell = i;
          f.slowdowns.back().has_end = true;
          open = false;
        }
        break;
      default: break;
    }
  }
  f.stations = read_stations(cells, items, signboard_slots);
  f.route_length_m = items[84].end_m;
  f.competition_code_st = items[85].seconds;
  f.competition_code_og = count > 1 ? cells[1].param_2 : std::int16_t{0};
  return f;
}

}  // namespace compila::report
