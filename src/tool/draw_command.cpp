// scenario_tool draw FOLDER|DIR -o report.html: a self-contained HTML page
// with the map and the profile of a scenario, drawn from its binary files.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "tool/report/report_input.h"
#include "tool/report/report_page.h"
#include "tool/tool_command.h"
#include "writers/file_writer.h"

namespace compila::tool {
namespace {

struct draw_options {
  std::string input;
  std::string output;
};

int run_draw(const draw_options& options) {
  report::drawn_scenario scenario;
  std::string error;
  const bool loaded = report::is_scenario_folder(options.input)
                          ? report::load_folder(options.input, scenario, error)
                          : report::load_directory(options.input, scenario, error);
  if (!loaded) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return exit_failed;
  }
  const std::string page = report::render_report(scenario);
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
