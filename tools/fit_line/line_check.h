// Checks a line source text against a line_constraints table, constraint by
// constraint, and composes a line source text from curve and mountain records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "line_constraints.h"
#include "line_records.h"

namespace fit_line {

struct check_result {
  std::string name;
  bool passed;
  std::string detail;  // the value found, when it helps to see it
};

std::vector<check_result> check_curves(const std::vector<curve_record>& curves, const curve_constraints& rules);
std::vector<check_result> check_plan(const std::vector<curve_record>& curves, const plan_constraints& rules);
std::vector<check_result> check_mountains(const std::vector<mountain_span>& spans, const mountain_constraints& rules);

// The text form (LF line ends, section order, verbatim lines, record forms)
// and then every curve, plan and mountain constraint on the records found.
std::vector<check_result> check_line_source(std::string_view text, const line_constraints& rules);

bool all_passed(const std::vector<check_result>& results);

// The whole line source: fixed lines, the given records, headers, "[fine]",
// each line ended by LF.
std::string compose_line_source(const std::vector<curve_record>& curves, const std::vector<mountain_span>& mountains,
                                const fixed_text& text);

}  // namespace fit_line
