// scenario_tool decompile DIR|PROGRAM [-o FOLDER] [--line NAME --train NUMBER]
// [--force]: a scenario folder back from the files of a build, or from a
// program made by pack.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "format/binary_reader.h"
#include "model/scenario_files.h"
#include "platform/file_writer.h"
#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"
#include "scenario/scenario_payload.h"
#include "tool/decompile/decompiler.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

namespace fs = std::filesystem;
using decompile::build_files;
using decompile::input_file;

struct decompile_options {
  std::string input;
  std::string output = ".";
  std::string line;
  std::string train;
  bool force = false;
};

struct scenario_name {
  std::string line, train;
  bool operator==(const scenario_name&) const = default;
};

bool ends_with(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The scenarios of a simulator folder: each item file names one. Its own
// items 85 and 86 say the line and the train; a damaged one is named by the
// line data file whose line name begins its name.
std::vector<scenario_name> scenarios_in(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error))
    if (entry.is_regular_file(error)) names.push_back(utf8_text(entry.path().filename()));
  std::sort(names.begin(), names.end());
  std::vector<scenario_name> found;
  for (const std::string& name : names) {
    if (!ends_with(name, ".sim")) continue;
    const std::string stem = name.substr(0, name.size() - 4);
    std::string bytes;
    file_read_error read_error;
    if (read_whole_file(utf8_text(dir / utf8_path(name)), bytes, read_error)) {
      auto items = decode_item_file({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
      if (items.ok() && items.records[85].text + "_" + items.records[86].text == stem) {
        found.push_back({items.records[85].text, items.records[86].text});
        continue;
      }
    }
    for (const std::string& other : names) {
      if (!ends_with(other, "_linea.dat")) continue;
      const std::string line = other.substr(0, other.size() - 10);
      if (stem.size() > line.size() + 1 && stem.compare(0, line.size() + 1, line + "_") == 0) {
        found.push_back({line, stem.substr(line.size() + 1)});
        break;
      }
    }
  }
  return found;
}

void print_read_error(const input_file& file, const file_read_error& error) {
  std::fprintf(stderr, "%s: error: %s\n", file.path.c_str(),
               error.what == file_read_error::kind::missing ? "missing: a build writes it" : error.reason.c_str());
}

bool read_input(const fs::path& path, input_file& file, bool required) {
  file.path = utf8_text(path);
  file_read_error error;
  if (read_whole_file(file.path, file.bytes, error)) return true;
  if (required || error.what != file_read_error::kind::missing) print_read_error(file, error);
  return false;
}

// The line data file is read piece by piece where it lies: at the largest
// route it is 20 MB, four times what the rest of decompiling holds.
bool open_line_data(const fs::path& path, input_file& file) {
  file.path = utf8_text(path);
  auto pieces = std::make_shared<file_pieces>();
  file_read_error error;
  if (!pieces->open(file.path, error)) {
    print_read_error(file, error);
    return false;
  }
  file.pieces = std::move(pieces);
  return true;
}

bool read_scenario_files(const fs::path& dir, const scenario_name& name, build_files& files) {
  files.line_name = name.line;
  files.train_number = name.train;
  const std::string stem = name.line + "_" + name.train;
  bool complete = open_line_data(dir / utf8_path(name.line + "_linea.dat"), files.plan);
  complete = read_input(dir / utf8_path(stem + ".sim"), files.items, true) && complete;
  complete = read_input(dir / utf8_path(stem + ".dat"), files.track, true) && complete;
  for (std::size_t d = 0; d < decompile::document_count; ++d) {
    input_file document;
    if (read_input(dir / utf8_path(output_name(scenario_files[2 + d], name.line, name.train)), document, false))
      files.documents[d] = std::move(document);
  }
  return complete;
}

// The one scenario to decompile, or nothing with the reason printed.
std::optional<scenario_name> choose_scenario(const decompile_options& options) {
  const std::vector<scenario_name> all = scenarios_in(utf8_path(options.input));
  if (!options.line.empty() || !options.train.empty()) {
    const scenario_name wanted{options.line, options.train};
    if (std::find(all.begin(), all.end(), wanted) != all.end()) return wanted;
    std::fprintf(stderr, "%s: error: no scenario of line \"%s\" and train \"%s\"\n", options.input.c_str(),
                 options.line.c_str(), options.train.c_str());
  } else if (all.size() == 1) {
    return all.front();
  } else if (all.empty()) {
    std::fprintf(stderr, "%s: error: no scenario here: no item file (*.sim)\n", options.input.c_str());
    return std::nullopt;
  } else {
    std::fprintf(stderr, "%s: error: %zu scenarios here; choose one with --line NAME --train NUMBER:\n",
                 options.input.c_str(), all.size());
  }
  for (const scenario_name& name : all)
    std::fprintf(stderr, "  --line %s --train %s\n", name.line.c_str(), name.train.c_str());
  return std::nullopt;
}

// The output folder, created if needed; one that holds scenario files
// already is left alone unless --force.
bool output_ready(const decompile_options& options) {
  const fs::path folder = utf8_path(options.output);
  std::error_code error;
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
    std::fprintf(stderr, "%s: error: not a folder\n", options.output.c_str());
    return false;
  }
  fs::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "%s: error: cannot create the folder: %s\n", options.output.c_str(), error.message().c_str());
    return false;
  }
  if (options.force) return true;
  std::vector<std::string_view> names{scenario_names_file};
  for (const scenario_file& file : scenario_files) names.push_back(file.folder_name);
  bool free = true;
  for (std::string_view name : names) {
    if (!fs::exists(folder / utf8_path(name), error)) continue;
    std::fprintf(stderr, "%s: error: already exists; decompile replaces scenario files only with --force\n",
                 utf8_text(folder / utf8_path(name)).c_str());
    free = false;
  }
  return free;
}

bool write_folder(const std::string& output, const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, bytes] : files) {
    std::string error;
    if (!write_whole_file(utf8_text(utf8_path(output) / utf8_path(name)), bytes, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
  }
  return true;
}

// A program made by pack carries its folder: the payload's six files.
int run_packed(const decompile_options& options) {
  scenario_folder folder;
  std::string error;
  // A program given to decompile is taken as whole: its own size is the size
  // it was packed with, and a cut one still misses the end it is checked by.
  std::error_code size_error;
  const std::uint64_t size = std::filesystem::file_size(utf8_path(options.input), size_error);
  if (!load_packed_scenario(options.input, size_error ? 0 : size, folder, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return exit_failed;
  }
  std::vector<std::pair<std::string, std::string>> files{
      {std::string(scenario_names_file),
       scenario_names_text(folder.line_name(), folder.train_number(), folder.encoding())}};
  for (std::size_t f = 0; f < scenario_files.size(); ++f) {
    std::string text;
    for (const std::string& line : folder.file_lines(f)) text += line + "\n";
    files.emplace_back(std::string(scenario_files[f].folder_name), std::move(text));
  }
  if (!output_ready(options) || !write_folder(options.output, files)) return exit_failed;
  std::printf("%s: the scenario packed into %s\n", options.output.c_str(), options.input.c_str());
  return exit_ok;
}

int run_decompile(const decompile_options& options) {
  std::error_code error;
  const fs::path input = utf8_path(options.input);
  if (fs::is_regular_file(input, error)) return run_packed(options);
  if (!fs::is_directory(input, error)) {
    std::fprintf(stderr, "%s: error: no such folder or program\n", options.input.c_str());
    return exit_failed;
  }
  const std::optional<scenario_name> name = choose_scenario(options);
  if (!name) return exit_failed;
  build_files files;
  if (!read_scenario_files(input, *name, files)) return exit_failed;
  const decompile::decompiled result = decompile::decompile_build(files);
  for (const std::string& message : result.messages) std::fprintf(stderr, "%s\n", message.c_str());
  if (result.folder.empty()) return exit_failed;
  if (!output_ready(options) || !write_folder(options.output, result.folder)) return exit_failed;
  for (std::size_t d = 0; d < decompile::document_count; ++d)
    if (!files.documents[d])
      std::fprintf(stderr, "%s: warning: no %s in %s; written empty\n", options.output.c_str(),
                   std::string(scenario_files[2 + d].folder_name).c_str(), options.input.c_str());
  std::printf("%s: the scenario of line %s, train %s\n", options.output.c_str(), name->line.c_str(),
              name->train.c_str());
  return result.status;
}

}  // namespace

std::function<int()> define_decompile(CLI::App& app) {
  auto options = std::make_shared<decompile_options>();
  app.add_option("DIR", options->input, "folder holding a build's files, or a program made by pack")->required();
  app.add_option("-o,--output", options->output, "folder that receives the scenario (default: current folder)");
  auto* line = app.add_option("--line", options->line, "the line of the scenario to take, when DIR holds several");
  auto* train = app.add_option("--train", options->train, "the train of the scenario to take");
  line->needs(train);
  train->needs(line);
  app.add_flag("--force", options->force, "replace the scenario files already in the output folder");
  return [options] { return run_decompile(*options); };
}

}  // namespace compila::tool
