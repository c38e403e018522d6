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

constexpr int largest_board_speed = 300;

// "80", or "80|60" when the right side has a speed of its own.
std::string rank_label(int left, int right) {
  return right == 0 ? std::to_string(left) : std::to_string(left) + "|" + std::to_string(right);
}

// One label for the three ranks when they agree, else "a/b/c".
std::string ranks_label(const std::array<std::string, 3>& ranks) {
  if (ranks[0] == ranks[1] && ranks[1] == ranks[2]) return ranks[0];
  return ranks[0] + "/" + ranks[1] + "/" + ranks[2];
}

std::string joined(const std::array<std::int64_t, 3>& values) {
  return std::to_string(values[0]) + ", " + std::to_string(values[1]) + ", " + std::to_string(values[2]);
}

board_speeds speeds_from_record(const placing_record& record) {
  if (record.values.size() < 9) return {"?", "placed by " + record.file + ":" + std::to_string(record.line)};
  const auto& v = record.values;
  std::array<std::string, 3> ranks;
  for (std::size_t r = 0; r < 3; ++r) ranks[r] = rank_label(static_cast<int>(v[1 + r]), static_cast<int>(v[5 + r]));
  return {ranks_label(ranks), "speeds a, b, c: left " + joined({v[1], v[2], v[3]}) + " km/h, right " +
                                  joined({v[5], v[6], v[7]}) + " km/h; stripes " + std::to_string(v[4]) + " and " +
                                  std::to_string(v[8]) + " (" + record.file + ":" + std::to_string(record.line) + ")"};
}

board_speeds speeds_from_codes(const cell_object& board) {
  std::array<std::string, 3> ranks;
  bool all_read = true;
  for (std::size_t r = 0; r < 3; ++r) {
    const std::optional<side_speeds> speeds = speeds_of_code(board.params[r]);
    all_read = all_read && speeds.has_value();
    ranks[r] = speeds ? rank_label(speeds->left, speeds->right) : "code " + std::to_string(board.params[r]);
  }
  return {ranks_label(ranks), "speed codes " + joined({board.params[0], board.params[1], board.params[2]}) +
                                  (all_read ? ", read as left|right km/h in steps of 5" : "") + "; stripe code " +
                                  std::to_string(board.params[3])};
}

}  // namespace

std::optional<side_speeds> speeds_of_code(std::int16_t code) {
  if (code < 0) return std::nullopt;
  const side_speeds speeds{code / 100 * 5, code % 100 * 5};
  if (speeds.left > largest_board_speed || speeds.right > largest_board_speed) return std::nullopt;
  return speeds;
}

board_speeds speed_board_speeds(const cell_object& board, const line_features& features) {
  const auto record = features.placed_by.find(board.cell);
  if (record != features.placed_by.end() && record->second.record == "indicatori_vmax")
    return speeds_from_record(record->second);
  return speeds_from_codes(board);
}

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
