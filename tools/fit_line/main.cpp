// fit_line: authors the curve and mountain records of the embedded line, or
// checks a line source text against the line's constraints.
//
//   fit_line [--seed N] [--write FILE]   search, print both sections, check
//   fit_line --check FILE                check a line source text
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "curve_search.h"
#include "line_check.h"
#include "line_constraints.h"
#include "line_plan.h"
#include "mountain_layout.h"

namespace {

using namespace fit_line;

int report(const std::vector<check_result>& results, std::ostream& out) {
  int passed = 0;
  for (const check_result& r : results) {
    passed += r.passed;
    out << (r.passed ? "pass  " : "FAIL  ") << r.name;
    if (!r.detail.empty()) out << "  [" << r.detail << "]";
    out << "\n";
  }
  out << passed << " of " << results.size() << " checks pass\n";
  return passed == static_cast<int>(results.size()) ? 0 : 1;
}

int check_file(const std::string& path, const line_constraints& rules) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "fit_line: cannot read " << path << "\n";
    return 2;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return report(check_line_source(text.str(), rules), std::cout);
}

void print_plan_end(const std::vector<curve_record>& curves, const plan_constraints& rules, std::ostream& out) {
  const track_plan plan = compute_track_plan(curves, rules.track_extent_m());
  const auto last = static_cast<std::size_t>(rules.last_point());
  out.precision(6);
  out << std::fixed << "plan point " << last << " = (" << plan.x[last] << ", " << plan.y[last] << "), last step "
      << std::hypot(plan.x[last] - plan.x[last - 1], plan.y[last] - plan.y[last - 1]) << "\n";
  out.unsetf(std::ios::floatfield);
}

int search_and_print(const curve_search_settings& curve_settings, const mountain_layout_settings& mountain_settings,
                     const std::string& write_path, const line_constraints& rules) {
  const auto curves = search_curves(rules, curve_settings, &std::cerr);
  if (!curves) {
    std::cerr << "fit_line: the free curves do not fit between the required rows\n";
    return 1;
  }
  if (curves->error > curve_settings.goal)
    std::cerr << "fit_line: plan error " << curves->error << " stays above the goal " << curve_settings.goal << "\n";
  const auto mountains = lay_out_mountains(rules.mountains, mountain_settings);
  if (!mountains) {
    std::cerr << "fit_line: no mountain layout meets the constraints\n";
    return 1;
  }
  std::cout << rules.text.curve_header << "\n";
  for (const curve_record& c : curves->curves) std::cout << format_curve(c) << "\n";
  std::cout << rules.text.mountain_header << "\n";
  for (const mountain_span& s : *mountains) std::cout << format_mountain(s) << "\n";
  print_plan_end(curves->curves, rules.plan, std::cerr);

  const std::string text = compose_line_source(curves->curves, *mountains, rules.text);
  if (!write_path.empty()) {
    std::ofstream out(write_path, std::ios::binary);
    out << text;
    if (!out) {
      std::cerr << "fit_line: cannot write " << write_path << "\n";
      return 2;
    }
  }
  return report(check_line_source(text, rules), std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  const line_constraints rules = shipped_line_constraints();
  curve_search_settings curve_settings;
  mountain_layout_settings mountain_settings;
  std::string write_path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--check" && has_value) return check_file(argv[i + 1], rules);
    if (arg == "--write" && has_value) {
      write_path = argv[++i];
    } else if (arg == "--seed" && has_value) {
      curve_settings.seed = mountain_settings.seed = std::stoull(argv[++i]);
    } else {
      std::cerr << "usage: fit_line [--seed N] [--write FILE] | --check FILE\n";
      return 2;
    }
  }
  return search_and_print(curve_settings, mountain_settings, write_path, rules);
}
