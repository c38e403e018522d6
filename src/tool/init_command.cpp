// scenario_tool init FOLDER: writes the starter scenario (a 5 km line and a
// three-station train with one of each record) into FOLDER, as the six files
// of a scenario folder, for an author to begin from. The starter is embedded
// in the tool when it is built.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "model/text_encoding.h"
#include "platform/file_writer.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"
#include "tool/tool_command.h"

namespace compila {
// The starter folder, generated from examples/starter by embed_scenario.
const scenario_text& starter_scenario();
}  // namespace compila

namespace compila::tool {
namespace {

// The starter's lines are Windows-1252, as the build takes them; the folder
// holds them as UTF-8, which its scenario.txt declares.
std::string file_text(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(windows_1252_to_utf8(line)).append("\n");
  return text;
}

// Creates the folder if needed; an existing scenario file is never replaced,
// so init cannot overwrite an author's work.
bool folder_ready(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::exists(folder, error) && !std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr, "%s: not a folder\n", utf8_text(folder).c_str());
    return false;
  }
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "%s: cannot create the folder: %s\n", utf8_text(folder).c_str(), error.message().c_str());
    return false;
  }
  bool free = true;
  auto refuse_existing = [&](std::string_view name) {
    if (!std::filesystem::exists(folder / utf8_path(name), error)) return;
    std::fprintf(stderr, "%s: already exists; init writes only into a folder without scenario files\n",
                 utf8_text(folder / utf8_path(name)).c_str());
    free = false;
  };
  refuse_existing(scenario_names_file);
  for (const scenario_file& file : scenario_files) refuse_existing(file.folder_name);
  return free;
}

// Writes one file of the starter; a failure is reported with the file named.
bool write_starter_file(const std::filesystem::path& folder, std::string_view name, const std::string& text) {
  std::string error;
  if (write_whole_file(utf8_text(folder / utf8_path(name)), text, error)) return true;
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

int run_init(const std::string& folder_name) {
  const std::filesystem::path folder = utf8_path(folder_name);
  if (!folder_ready(folder)) return exit_failed;
  const scenario_text& starter = starter_scenario();
  const std::string names = scenario_names_text(starter.line_name, starter.train_number, text_encoding::utf8);
  if (!write_starter_file(folder, scenario_names_file, names)) return exit_failed;
  for (const scenario_file& file : scenario_files)
    if (!write_starter_file(folder, file.folder_name, file_text(starter.*file.lines))) return exit_failed;
  std::printf("%s: starter scenario written; build it with: scenario_tool build %s\n", folder_name.c_str(),
              folder_name.c_str());
  return exit_ok;
}

}  // namespace

std::function<int()> define_init(CLI::App& app) {
  auto folder = std::make_shared<std::string>();
  app.add_option("FOLDER", *folder, "folder to write the starter scenario into (created if missing)")->required();
  return [folder] { return run_init(*folder); };
}

}  // namespace compila::tool
