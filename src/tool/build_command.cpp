// scenario_tool build FOLDER [-o DIR]: the build of a compila_scenario made
// from FOLDER, into DIR.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/build_pipeline.h"
#include "model/diagnostics.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct build_options {
  std::string folder;
  std::string output = ".";
};

bool output_directory_usable(const std::string& path) {
  std::error_code error;
  const std::filesystem::path folder = utf8_path(path);
  if (!std::filesystem::exists(folder, error)) {
    std::fprintf(stderr, "%s: output folder does not exist\n", path.c_str());
    return false;
  }
  if (!std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr, "%s: output folder is not a directory\n", path.c_str());
    return false;
  }
  return true;
}

int run_build(const build_options& options) {
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(options.folder, problems)) {
    std::fputs(problem_lines(problems).c_str(), stderr);
    return exit_failed;
  }
  if (!output_directory_usable(options.output)) return exit_failed;
  const build_result result = build_scenario(folder.text(), options.output);
  if (!result.refusal.empty()) {
    std::fprintf(stderr, " Errore n. %s\n", result.refusal.c_str());
    return exit_failed;
  }
  return result.status;
}

}  // namespace

std::function<int()> define_build(CLI::App& app) {
  auto options = std::make_shared<build_options>();
  app.add_option("FOLDER", options->folder, "scenario folder (scenario.txt and the five text files)")->required();
  app.add_option("-o,--output", options->output, "folder that receives the written files (default: current folder)");
  return [options] { return run_build(*options); };
}

}  // namespace compila::tool
