// The report page: one self-contained HTML file (inline SVG and CSS, nothing
// fetched, no script) that shows a scenario as the simulator will load it:
// the map of the course, the profiles and objects along one chainage axis, a
// summary and the build's diagnostics.
#pragma once

#include <string>
#include <vector>

#include "tool/report/report_input.h"

namespace compila::report {

// A line that points somewhere ("linea.txt:12") and says something there.
struct located_line {
  std::string where;
  std::string text;
};

// A titled list of located lines shown after the build's diagnostics, for
// findings that other commands make about the same scenario.
struct extra_section {
  std::string title;
  std::vector<located_line> lines;
};

struct page_options {
  std::vector<extra_section> extra_sections;
};

// What the drawing of the course kept, for the page's caption and for tests.
struct page_stats {
  std::size_t plan_points = 0;   // finite points read from the plan
  std::size_t drawn_points = 0;  // points of the simplified course
  double tolerance_m = 0;        // how far the drawn course may stray from the plan
};

std::string render_report(const drawn_scenario& scenario, const page_options& options = {},
                          page_stats* stats = nullptr);

}  // namespace compila::report
