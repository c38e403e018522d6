#include "curve_search.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <map>
#include <ostream>

#include "deterministic_random.h"
#include "line_plan.h"

namespace fit_line {

double plan_error(const std::vector<curve_record>& curves, const plan_constraints& rules) {
  const plan_end end = closed_form_plan_end(curves, rules.last_point());
  const double ex = (end.point.real() - rules.end_x.value) / rules.end_x.margin;
  const double ey = (end.point.imag() - rules.end_y.value) / rules.end_y.margin;
  const double es = (std::abs(end.step) - rules.last_step_length.value) / rules.last_step_length.margin;
  return std::sqrt(ex * ex + ey * ey + es * es);
}

std::vector<curve_record> pinned_curves(const curve_constraints& rules) {
  std::vector<curve_record> pinned = rules.required_rows;
  pinned.push_back(rules.first_row);
  pinned.push_back(rules.last_row);
  pinned.push_back(rules.longest_row);
  for (const auto& [a, b] : rules.touching_rows) {
    pinned.push_back(a);
    pinned.push_back(b);
  }
  std::sort(pinned.begin(), pinned.end(),
            [](const curve_record& a, const curve_record& b) { return a.start_m < b.start_m; });
  pinned.erase(std::unique(pinned.begin(), pinned.end()), pinned.end());
  return pinned;
}

namespace {

int count_touching(const std::vector<curve_record>& curves) {
  int touching = 0;
  for (std::size_t i = 1; i < curves.size(); ++i) touching += curves[i - 1].end_m() == curves[i].start_m;
  return touching;
}

int round_to_grid(double metres, int grid) { return grid * round_half_even(metres / grid); }

// The side/class of every free curve: the required counts less the pinned rows.
std::vector<std::pair<char, int>> free_kinds(const curve_constraints& rules, const std::vector<curve_record>& pinned) {
  std::map<std::pair<char, int>, int> left;
  for (const curve_kind_count& k : rules.kind_counts) left[{k.side, k.curve_class}] += k.count;
  for (const curve_record& c : pinned) --left[{c.side, c.curve_class}];
  std::vector<std::pair<char, int>> kinds;
  for (const auto& [kind, count] : left)
    for (int i = 0; i < count; ++i) kinds.push_back(kind);
  return kinds;
}

// How many free curves go into each gap between consecutive pinned rows:
// in proportion to the gap's length, at most one per `pitch` metres.
std::vector<int> curves_per_gap(const std::vector<curve_record>& pinned, int free_count, int pitch) {
  std::vector<int> room, capacity;
  int total_room = 0;
  for (std::size_t i = 1; i < pinned.size(); ++i) {
    room.push_back(pinned[i].start_m - pinned[i - 1].end_m());
    capacity.push_back(std::max(0, room.back() / pitch));
    total_room += room.back();
  }
  std::vector<int> count(room.size(), 0);
  int placed = 0;
  for (std::size_t g = 0; g < room.size(); ++g) {
    count[g] = std::min(capacity[g], free_count * room[g] / std::max(1, total_room));
    placed += count[g];
  }
  // The rest one by one into the gaps with the most room per curve.
  while (placed < free_count) {
    std::size_t best = room.size();
    for (std::size_t g = 0; g < room.size(); ++g)
      if (count[g] < capacity[g] && (best == room.size() || room[g] * (count[best] + 1) > room[best] * (count[g] + 1)))
        best = g;
    if (best == room.size()) return {};
    ++count[best];
    ++placed;
  }
  return count;
}

bool is_pinned(const curve_record& curve, const std::vector<curve_record>& pinned) {
  return std::find(pinned.begin(), pinned.end(), curve) != pinned.end();
}

}  // namespace

bool curve_layout_holds(const std::vector<curve_record>& curves, const curve_constraints& rules) {
  for (std::size_t i = 0; i < curves.size(); ++i) {
    const curve_record& c = curves[i];
    if (c.length_m < rules.min_length_m || c.length_m > rules.max_length_m) return false;
    if (c.length_m == rules.max_length_m && !(c == rules.longest_row)) return false;
    if (i > 0 && (c.start_m <= curves[i - 1].start_m || curves[i - 1].end_m() > c.start_m)) return false;
  }
  return count_touching(curves) == rules.touching_pairs;
}

std::optional<std::vector<curve_record>> initial_curve_layout(const curve_constraints& rules, std::uint64_t seed) {
  deterministic_random random(seed);
  const std::vector<curve_record> pinned = pinned_curves(rules);
  std::vector<std::pair<char, int>> kinds = free_kinds(rules, pinned);
  random.shuffle(kinds);
  const int pitch = 6 * rules.grid_m;
  const std::vector<int> per_gap = curves_per_gap(pinned, static_cast<int>(kinds.size()), pitch);
  if (per_gap.empty() && !kinds.empty()) return std::nullopt;

  // Each free curve takes the middle 40 % of an equal share of its gap.
  std::vector<curve_record> layout{pinned.front()};
  std::size_t next_kind = 0;
  for (std::size_t g = 0; g < per_gap.size(); ++g) {
    const int from = pinned[g].end_m();
    const double share = static_cast<double>(pinned[g + 1].start_m - from) / std::max(1, per_gap[g]);
    for (int j = 0; j < per_gap[g]; ++j) {
      const auto [side, curve_class] = kinds[next_kind++];
      const int start = from + round_to_grid((j + 0.3) * share, rules.grid_m);
      const int end = from + round_to_grid((j + 0.7) * share, rules.grid_m);
      const int length = std::clamp(end - start, rules.min_length_m, rules.max_length_m - rules.grid_m);
      layout.push_back({side, curve_class, start, length});
    }
    layout.push_back(pinned[g + 1]);
  }

  // Touching pairs: pull the start of randomly chosen free curves back to the
  // end of the curve before, keeping their end.
  for (int tries = 0; count_touching(layout) < rules.touching_pairs && tries < 10000; ++tries) {
    const auto i = static_cast<std::size_t>(random.between(1, static_cast<int>(layout.size()) - 1));
    curve_record& c = layout[i];
    const int new_length = c.end_m() - layout[i - 1].end_m();
    if (is_pinned(c, pinned) || c.start_m == layout[i - 1].end_m() || new_length >= rules.max_length_m) continue;
    c.length_m = new_length;
    c.start_m = layout[i - 1].end_m();
  }
  if (!curve_layout_holds(layout, rules)) return std::nullopt;
  return layout;
}

namespace {

enum class move_kind { shift, move_end, move_start };

// The step length at the end of the plan depends only on how many curved
// metres there are of each curve class (each multiplies it by sqrt(1 + k^2)),
// so the search first sets those totals and afterwards only makes moves that
// keep them: shifts, length traded between curves of one class, side/class
// traded between curves of one class or of one length, moves to another gap.
struct curve_searcher {
  const line_constraints& rules;
  std::vector<curve_record> pinned;
  deterministic_random random;

  curve_searcher(const line_constraints& r, std::uint64_t seed)
      : rules(r), pinned(pinned_curves(r.curves)), random(seed) {}

  int grid() const { return rules.curves.grid_m; }

  std::size_t random_free_index(const std::vector<curve_record>& layout) {
    while (true) {
      const auto i = static_cast<std::size_t>(random.below(static_cast<int>(layout.size())));
      if (!is_pinned(layout[i], pinned)) return i;
    }
  }

  // 50, 100, 200, 400 or 800 m, either way.
  int random_delta() {
    const int size = grid() << random.below(5);
    return random.coin() ? size : -size;
  }

  static void apply_move(std::vector<curve_record>& layout, std::size_t i, move_kind kind, int delta) {
    curve_record& c = layout[i];
    switch (kind) {
      case move_kind::shift: c.start_m += delta; break;
      case move_kind::move_end: c.length_m += delta; break;
      case move_kind::move_start:
        c.start_m += delta;
        c.length_m -= delta;
        break;
    }
  }

  // Lengthens curve i by delta at one of its ends.
  void lengthen(std::vector<curve_record>& layout, std::size_t i, int delta) {
    if (random.coin()) apply_move(layout, i, move_kind::move_end, delta);
    else apply_move(layout, i, move_kind::move_start, -delta);
  }

  // Another free curve of the same class (either side) as curve i, if any.
  std::optional<std::size_t> free_curve_of_class(const std::vector<curve_record>& layout, std::size_t i) {
    for (int tries = 0; tries < 50; ++tries) {
      const std::size_t j = random_free_index(layout);
      if (j != i && layout[j].curve_class == layout[i].curve_class) return j;
    }
    return std::nullopt;
  }

  bool transfer_length(std::vector<curve_record>& layout, std::size_t i) {
    const auto j = free_curve_of_class(layout, i);
    if (!j) return false;
    const int delta = random_delta();
    lengthen(layout, i, delta);
    lengthen(layout, *j, -delta);
    return true;
  }

  bool trade_kind(std::vector<curve_record>& layout, std::size_t i, bool keep_class_totals) {
    const std::size_t j = random_free_index(layout);
    curve_record& a = layout[i];
    curve_record& b = layout[j];
    if (a.side == b.side && a.curve_class == b.curve_class) return false;
    if (keep_class_totals && a.curve_class != b.curve_class && a.length_m != b.length_m) return false;
    std::swap(a.side, b.side);
    std::swap(a.curve_class, b.curve_class);
    return true;
  }

  // Takes curve i out and puts it, same length, at a random place in a random gap.
  bool relocate(std::vector<curve_record>& layout, std::size_t i) {
    curve_record c = layout[i];
    layout.erase(layout.begin() + static_cast<std::ptrdiff_t>(i));
    const auto g = static_cast<std::size_t>(random.below(static_cast<int>(layout.size()) - 1));
    const int room = layout[g + 1].start_m - layout[g].end_m();
    if (room < c.length_m) return false;
    c.start_m = layout[g].end_m() + grid() * random.between(0, (room - c.length_m) / grid());
    layout.insert(layout.begin() + static_cast<std::ptrdiff_t>(g + 1), c);
    return true;
  }

  // A move that changes the curved metres of some class.
  bool class_total_move(std::vector<curve_record>& layout) {
    const std::size_t i = random_free_index(layout);
    if (random.below(3) == 0) return trade_kind(layout, i, false);
    lengthen(layout, i, random_delta());
    return true;
  }

  // A move that keeps the curved metres of every class.
  bool placing_move(std::vector<curve_record>& layout) {
    const std::size_t i = random_free_index(layout);
    const int choice = random.below(10);
    if (choice < 4) {
      apply_move(layout, i, move_kind::shift, random_delta());
      return true;
    }
    if (choice < 7) return transfer_length(layout, i);
    if (choice < 9) return trade_kind(layout, i, true);
    return relocate(layout, i);
  }

  double error(const std::vector<curve_record>& layout) const { return plan_error(layout, rules.plan); }

  // The step-length part of the plan error alone.
  double step_length_error(const std::vector<curve_record>& layout) const {
    const plan_end end = closed_form_plan_end(layout, rules.plan.last_point());
    const rounded_target& target = rules.plan.last_step_length;
    return std::abs(std::abs(end.step) - target.value) / target.margin;
  }

  // Greedy on the step-length error with class-total moves.
  void set_class_totals(std::vector<curve_record>& layout, int steps, double goal) {
    double current = step_length_error(layout);
    for (int step = 0; step < steps && current > goal; ++step) {
      std::vector<curve_record> candidate = layout;
      if (!class_total_move(candidate) || !curve_layout_holds(candidate, rules.curves)) continue;
      const double e = step_length_error(candidate);
      if (e <= current) {
        layout = std::move(candidate);
        current = e;
      }
    }
  }

  // Annealing on log(error) with placing moves: a move that multiplies the
  // error by f is taken with probability f^(-1/T), T falling from hot to
  // cold. Leaves the layout where the walk ends.
  void anneal(std::vector<curve_record>& layout, double& current, int steps, double hot, double cold) {
    for (int step = 0; step < steps; ++step) {
      const double temperature = hot * std::pow(cold / hot, static_cast<double>(step) / steps);
      std::vector<curve_record> candidate = layout;
      if (!placing_move(candidate) || !curve_layout_holds(candidate, rules.curves)) continue;
      const double e = error(candidate);
      if (std::log(e / current) <= -temperature * std::log(1.0 - random.unit())) {
        layout = std::move(candidate);
        current = e;
      }
    }
  }

  // Shifting a curve along the line, without changing any curve's length or
  // class, moves the end of the plan by a fixed vector, and shifts of
  // different curves add up (their effects touch different metres). So from
  // the vectors of single shifts, the sums of up to two of them are tabled;
  // two table entries whose sum comes closest to the remaining distance give
  // up to four shifts, which are then confirmed on the real layout.
  struct shift_combination {
    std::vector<std::pair<std::size_t, int>> shifts;  // (curve index, metres)
    std::complex<double> moves_end_by;
  };

  std::vector<shift_combination> single_shifts(const std::vector<curve_record>& layout,
                                               std::complex<double> end) const {
    std::vector<shift_combination> singles;
    for (std::size_t i = 0; i < layout.size(); ++i) {
      if (is_pinned(layout[i], pinned)) continue;
      for (int steps : {-5, -3, -2, -1, 1, 2, 3, 5}) {
        const int delta = steps * grid();
        std::vector<curve_record> candidate = layout;
        candidate[i].start_m += delta;
        if (!curve_layout_holds(candidate, rules.curves)) continue;
        const plan_end moved = closed_form_plan_end(candidate, rules.plan.last_point());
        singles.push_back({{{i, delta}}, moved.point - end});
      }
    }
    return singles;
  }

  static bool share_a_curve(const shift_combination& a, const shift_combination& b) {
    for (const auto& [i, d] : a.shifts)
      for (const auto& [j, e] : b.shifts)
        if (i == j) return true;
    return false;
  }

  std::vector<shift_combination> up_to_two_shifts(const std::vector<shift_combination>& singles) const {
    std::vector<shift_combination> table{{{}, {0.0, 0.0}}};
    table.insert(table.end(), singles.begin(), singles.end());
    for (std::size_t a = 0; a < singles.size(); ++a)
      for (std::size_t b = a + 1; b < singles.size(); ++b)
        if (!share_a_curve(singles[a], singles[b]))
          table.push_back(
              {{singles[a].shifts[0], singles[b].shifts[0]}, singles[a].moves_end_by + singles[b].moves_end_by});
    return table;
  }

  // The pairs of table entries whose summed vectors come closest to wanted,
  // best first, found through a grid of cell size `cell` metres.
  static std::vector<std::pair<double, std::pair<std::size_t, std::size_t>>> closest_sums(
      const std::vector<shift_combination>& table, std::complex<double> wanted, double cell, std::size_t keep) {
    auto key = [cell](std::complex<double> v) {
      const auto cx = static_cast<std::int64_t>(std::floor(v.real() / cell));
      const auto cy = static_cast<std::int64_t>(std::floor(v.imag() / cell));
      return std::pair{cx, cy};
    };
    std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::size_t>> grid_cells;
    for (std::size_t t = 0; t < table.size(); ++t) grid_cells[key(table[t].moves_end_by)].push_back(t);
    std::vector<std::pair<double, std::pair<std::size_t, std::size_t>>> found;
    for (std::size_t a = 0; a < table.size(); ++a) {
      const auto [cx, cy] = key(wanted - table[a].moves_end_by);
      for (std::int64_t dx = -1; dx <= 1; ++dx)
        for (std::int64_t dy = -1; dy <= 1; ++dy) {
          const auto it = grid_cells.find({cx + dx, cy + dy});
          if (it == grid_cells.end()) continue;
          for (std::size_t b : it->second) {
            if (b < a || share_a_curve(table[a], table[b])) continue;
            const double miss = std::abs(table[a].moves_end_by + table[b].moves_end_by - wanted);
            found.push_back({miss, {a, b}});
          }
        }
    }
    std::sort(found.begin(), found.end());
    if (found.size() > keep) found.resize(keep);
    return found;
  }

  void refine_by_shifts(std::vector<curve_record>& layout, double& current, double goal) {
    for (int pass = 0; pass < 4 && current > goal; ++pass) {
      const plan_end end = closed_form_plan_end(layout, rules.plan.last_point());
      const std::complex<double> wanted =
          std::complex<double>(rules.plan.end_x.value, rules.plan.end_y.value) - end.point;
      const std::vector<shift_combination> table = up_to_two_shifts(single_shifts(layout, end.point));
      const double cell = std::max(1e-4, std::min(rules.plan.end_x.margin, rules.plan.end_y.margin));
      bool improved = false;
      for (const auto& [miss, pair] : closest_sums(table, wanted, cell, 200)) {
        std::vector<curve_record> candidate = layout;
        for (const std::size_t t : {pair.first, pair.second})
          for (const auto& [i, delta] : table[t].shifts) candidate[i].start_m += delta;
        if (!curve_layout_holds(candidate, rules.curves)) continue;
        const double e = error(candidate);
        if (e < current) {
          layout = std::move(candidate);
          current = e;
          improved = true;
          break;
        }
      }
      if (!improved) return;
    }
  }
};

}  // namespace

std::optional<curve_search_result> search_curves(const line_constraints& rules, const curve_search_settings& settings,
                                                 std::ostream* progress) {
  std::optional<std::vector<curve_record>> start = initial_curve_layout(rules.curves, settings.seed);
  if (!start) return std::nullopt;
  curve_searcher searcher(rules, settings.seed + 1);
  std::vector<curve_record> layout = *start;
  searcher.set_class_totals(layout, settings.anneal_steps, settings.goal / 10);
  double current = searcher.error(layout);
  if (progress)
    *progress << "class totals set: step length error " << searcher.step_length_error(layout) << ", plan error "
              << current << "\n";
  std::vector<curve_record> best = layout;
  double best_error = current;
  // Each round anneals from the best layout so far, refines where the walk
  // ended by combined shifts, and keeps that if it is better.
  for (int round = 0; round < settings.rounds && best_error > settings.goal; ++round) {
    std::vector<curve_record> found = best;
    double found_error = best_error;
    searcher.anneal(found, found_error, settings.anneal_steps, settings.hot_temperature, settings.cold_temperature);
    searcher.refine_by_shifts(found, found_error, settings.goal);
    if (found_error < best_error) {
      best = std::move(found);
      best_error = found_error;
    }
    if (progress)
      *progress << "round " << round + 1 << ": found " << found_error << ", best plan error " << best_error << " (goal "
                << settings.goal << ")\n";
  }
  return curve_search_result{best, best_error};
}

}  // namespace fit_line
