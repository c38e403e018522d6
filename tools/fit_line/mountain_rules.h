// How the line source compiler turns mountain spans into track cells: the
// compiler core itself compiles the spans, so these give what a build gives.
#pragma once

#include <vector>

#include "line_constraints.h"
#include "line_records.h"

namespace fit_line {

// The tunnel kind each span's cells end up with, in file order (-1 for a span
// that covers no cell): a kind above the marker threshold loses it; a span that
// starts at most close_follow_m after the end of the span read just before it
// gets close_follow_kind. `rules` is not read: the values are the core's.
std::vector<int> compiled_tunnel_kinds(const std::vector<mountain_span>& spans, const mountain_constraints& rules);

// First and last cell a span covers, as the compiler core rounds them:
// start / 50 and end / 50 - 1, halves to even.
int first_cell_of(const mountain_span& span, const mountain_constraints& rules);
int last_cell_of(const mountain_span& span, const mountain_constraints& rules);

// Cells that become tunnel markers: every marker_every-th cell of a flagged
// span, counting its cells from 1. Sorted, without repeats.
std::vector<int> tunnel_marker_cells(const std::vector<mountain_span>& spans, const mountain_constraints& rules);

}  // namespace fit_line
