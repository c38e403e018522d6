#include "mountain_rules.h"

#include <algorithm>

#include "model/rounding.h"

namespace fit_line {

std::vector<int> compiled_tunnel_kinds(const std::vector<mountain_span>& spans,
                                       const mountain_constraints& rules) {
  std::vector<int> kinds;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    int kind = spans[i].kind;
    if (kind > rules.marker_kind_above) kind -= rules.marker_kind_above;
    if (i > 0 && spans[i].start_m - spans[i - 1].end_m <= rules.close_follow_m)
      kind = rules.close_follow_kind;
    kinds.push_back(kind);
  }
  return kinds;
}

// The compiler core's cell of a position (model/rounding.h).
int first_cell_of(const mountain_span& span, const mountain_constraints& /*rules*/) {
  return static_cast<int>(compila::cell_of(span.start_m, 0));
}

int last_cell_of(const mountain_span& span, const mountain_constraints& /*rules*/) {
  return static_cast<int>(compila::cell_of(span.end_m, -1));
}

std::vector<int> tunnel_marker_cells(const std::vector<mountain_span>& spans,
                                     const mountain_constraints& rules) {
  std::vector<int> markers;
  for (const mountain_span& span : spans) {
    if (span.kind <= rules.marker_kind_above) continue;
    const int first = first_cell_of(span, rules);
    for (int cell = first + rules.marker_every - 1; cell <= last_cell_of(span, rules);
         cell += rules.marker_every)
      markers.push_back(cell);
  }
  std::sort(markers.begin(), markers.end());
  markers.erase(std::unique(markers.begin(), markers.end()), markers.end());
  return markers;
}

}  // namespace fit_line
