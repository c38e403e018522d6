// Finds curve records that meet the curve constraints and bring the plan's
// end point and last step onto their targets.
//
// A layout is the full, ordered list of curve records; the rows the
// constraints name are pinned, the others are free. Every layout the search
// visits meets all curve constraints; only the plan error varies. The plan
// is evaluated in closed form, so a candidate costs one pass over the list.
//
// 1. The last step's length depends only on the curved metres of each class,
//    so those totals are set first, by lengthening, shortening and trading
//    the side/class of free curves.
// 2. Annealing with moves that keep those totals (shift a curve, trade length
//    between two curves of one class, trade side/class between curves of one
//    class or one length, move a curve to another gap) brings the end point
//    near its target.
// 3. Shifts of up to four curves, chosen from tabled end-point vectors,
//    close the last millimetres.
// Rounds of 2 and 3 repeat from the best layout until the goal is met.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <vector>

#include "line_constraints.h"
#include "line_records.h"

namespace fit_line {

struct curve_search_settings {
  std::uint64_t seed = 40517;
  int anneal_steps = 1'500'000;
  double hot_temperature = 1.0;  // on the logarithm of the plan error
  double cold_temperature = 0.002;
  double goal = 0.15;  // plan error to reach; 1 is at the margins of the targets
  int rounds = 12;
};

// Distance of the plan's end from the targets, each part divided by its
// margin: sqrt(ex^2 + ey^2 + es^2) for end x, end y and last step length.
double plan_error(const std::vector<curve_record>& curves, const plan_constraints& rules);

// The rows the constraints name, sorted by start.
std::vector<curve_record> pinned_curves(const curve_constraints& rules);

// A first layout: pinned rows kept, free curves spread over the gaps between
// them with the free side/class mix shuffled, and as many touching pairs as
// required. Meets every curve constraint (nullopt if the gaps cannot hold them).
std::optional<std::vector<curve_record>> initial_curve_layout(const curve_constraints& rules, std::uint64_t seed);

// True when the layout meets the constraints that moves can break: order,
// overlaps, lengths, the unique longest row and the touching count.
bool curve_layout_holds(const std::vector<curve_record>& curves, const curve_constraints& rules);

struct curve_search_result {
  std::vector<curve_record> curves;
  double error = 0.0;  // plan_error of curves
};

// nullopt only if no initial layout exists; otherwise the best layout found,
// whose error may still be above the goal.
std::optional<curve_search_result> search_curves(const line_constraints& rules, const curve_search_settings& settings,
                                                 std::ostream* progress);

}  // namespace fit_line
