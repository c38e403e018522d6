#include "mountain_rules.h"

#include <algorithm>
#include <string>

#include "line_compiler/line_source.h"
#include "model/rounding.h"
#include "model/scenario_model.h"

namespace fit_line {

namespace {

// The spans as the compiler core compiles them: a line source of a route that
// reaches past the last span, with the spans as its only records, read by the
// core's line compiler.
compila::scenario_model compile_spans(const std::vector<mountain_span>& spans) {
  int route_length_m = 0;
  for (const mountain_span& span : spans) route_length_m = std::max(route_length_m, span.end_m);
  std::vector<std::string> lines;
  for (const mountain_span& span : spans) lines.push_back(format_mountain(span));
  return compile_with_core(route_length_m, "[montagne]", lines, /*with_plan=*/false);
}

}  // namespace

std::vector<int> compiled_tunnel_kinds(const std::vector<mountain_span>& spans, const mountain_constraints& /*rules*/) {
  const compila::scenario_model model = compile_spans(spans);
  std::vector<int> kinds;
  for (const mountain_span& span : spans) {
    // Spans never share a cell (they lie at least 100 m apart), so a span's
    // first cell keeps the kind it was given.
    const auto first = static_cast<std::size_t>(compila::cell_of(span.start_m, 0));
    const auto last = static_cast<std::size_t>(compila::cell_of(span.end_m, -1));
    kinds.push_back(first <= last ? int{model.cells.at(first).tunnel_kind} : -1);
  }
  return kinds;
}

int first_cell_of(const mountain_span& span, const mountain_constraints& /*rules*/) {
  return static_cast<int>(compila::cell_of(span.start_m, 0));
}

int last_cell_of(const mountain_span& span, const mountain_constraints& /*rules*/) {
  return static_cast<int>(compila::cell_of(span.end_m, -1));
}

std::vector<int> tunnel_marker_cells(const std::vector<mountain_span>& spans, const mountain_constraints& /*rules*/) {
  const compila::scenario_model model = compile_spans(spans);
  std::vector<int> markers;
  for (std::size_t cell = 0; cell < model.cells.size(); ++cell)
    if (model.cells[cell].cell_type == compila::cell_kind::tunnel_marker) markers.push_back(static_cast<int>(cell));
  return markers;
}

}  // namespace fit_line
