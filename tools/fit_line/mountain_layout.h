// Lays out mountain spans that meet the mountain constraints.
//
// The rows the constraints name are anchors (a required start is an anchor
// whose end is chosen). The other spans are spread over the stretches between
// anchors. Each gap before a span is either close (100 or 150 m, so the span
// compiles to the close-follow kind) or open (200 m or more); the number of
// close gaps before spans of each kind follows from the compiled kind counts.
// Lengths and open gaps share each stretch's remaining metres at random. A
// stretch whose spans would put a tunnel marker on a plain cell is drawn again.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "line_constraints.h"
#include "line_records.h"

namespace fit_line {

struct mountain_layout_settings {
  std::uint64_t seed = 40517;
  int usual_max_length_m = 3000;  // free spans stay at most this long
  int metres_per_span = 1200;     // at most one free span per this many metres of a stretch
  int attempts = 2000;
};

// nullopt if no attempt met every mountain constraint.
std::optional<std::vector<mountain_span>> lay_out_mountains(const mountain_constraints& rules,
                                                            const mountain_layout_settings& settings);

}  // namespace fit_line
