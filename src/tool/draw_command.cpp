// scenario_tool draw FOLDER|DIR -o report.html: a self-contained HTML page
// with the map and the profile of a scenario, drawn from its binary files.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/diagnostics.h"
#include "platform/file_writer.h"
#include "tool/check/scenario_check.h"
#include "tool/report/report_input.h"
#include "tool/report/report_page.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct draw_options {
  std::string input;
  std::string output;
};

// The named findings `check` gives on the folder, for the page beside the
// build's own diagnostics (which the page already shows).
report::extra_section check_warnings_section(const std::string& name, const scenario_folder& folder) {
  std::vector<check_finding> findings = check_scenario(folder.text());
  order_findings(findings);
  report::extra_section section{"Findings of scenario_tool check", {}};
  for (const check_finding& f : findings)
    if (!f.name.empty())
      section.lines.push_back({finding_location(name, f), std::string(f.is_error() ? "error: " : "warning: ") +
                                                              f.message + " [-W" + std::string(f.name) + "]"});
  return section;
}

// Reads a folder (built first) or a directory of binary files; false with
// `error` when there is nothing to draw.
bool load_input(const std::string& input, report::drawn_scenario& scenario, report::page_options& page,
                std::string& error) {
  if (!report::is_scenario_folder(input)) return report::load_directory(input, scenario, error);
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(input, problems)) {
    error = problem_lines(problems);
    error.pop_back();  // the caller ends it
    return false;
  }
  if (!report::load_folder(input, folder, scenario, error)) return false;
  page.extra_sections.push_back(check_warnings_section(input, folder));
  return true;
}

int run_draw(const draw_options& options) {
  report::drawn_scenario scenario;
  report::page_options page_options;
  std::string error;
  if (!load_input(options.input, scenario, page_options, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return exit_failed;
  }
  const std::string page = report::render_report(scenario, page_options);
  if (!write_whole_file(options.output, page, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return exit_failed;
  }
  return exit_ok;
}

}  // namespace

std::function<int()> define_draw(CLI::App& app) {
  auto options = std::make_shared<draw_options>();
  app.add_option("INPUT", options->input,
                 "a scenario folder (built first, its diagnostics shown) or a directory holding the three binary "
                 "files (*_linea.dat, *.sim and the other *.dat)")
      ->required();
  app.add_option("-o,--output", options->output, "the HTML page to write")->required();
  return [options] { return run_draw(*options); };
}

}  // namespace compila::tool
