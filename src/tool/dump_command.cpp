// scenario_tool dump FILE... [--all] [--step N] [--json] [--as track|items|plan]:
// the three binary files in readable form, field by field under the model's
// names. A damaged file is reported with the byte offset where it stops
// making sense; the other files are shown all the same.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "format/binary_reader.h"
#include "platform/read_whole_file.h"
#include "tool/dump_format.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct dump_command_options {
  std::vector<std::string> files;
  std::string as;
  dump_options shown;
};

// The file's bytes; false with the reason alone, as dump names the file itself.
bool read_binary_file(const std::string& name, std::vector<std::uint8_t>& bytes, std::string& reason) {
  file_read_error error;
  if (read_whole_file(name, bytes, error)) return true;
  switch (error.what) {
    case file_read_error::kind::missing: reason = "no such file"; break;
    case file_read_error::kind::directory: reason = "is a folder, not a file"; break;
    default: reason = error.reason; break;
  }
  return false;
}

// The kind of each file, from --as or from its name; nothing when a name
// tells none, after saying so.
std::optional<std::vector<binary_file_kind>> kinds_of(const dump_command_options& options) {
  std::vector<binary_file_kind> kinds;
  for (const std::string& file : options.files) {
    const std::optional<binary_file_kind> kind =
        options.as.empty() ? binary_file_kind_from_name(file) : binary_file_kind_from_word(options.as);
    if (!kind) {
      std::fprintf(stderr,
                   "%s: cannot tell the kind of file from its name (<line>_linea.dat, <line>_<train>.sim, "
                   "<line>_<train>.dat); say it with --as track|items|plan\n",
                   file.c_str());
      return std::nullopt;
    }
    kinds.push_back(*kind);
  }
  return kinds;
}

const char* file_description(binary_file_kind kind) {
  switch (kind) {
    case binary_file_kind::track: return "track file";
    case binary_file_kind::items: return "item file";
    case binary_file_kind::plan: return "line data file";
  }
  return "file";
}

int run_dump(const dump_command_options& options) {
  const std::optional<std::vector<binary_file_kind>> kinds = kinds_of(options);
  if (!kinds) return exit_usage;
  int status = exit_ok;
  nlohmann::ordered_json documents = nlohmann::ordered_json::array();
  bool first_text = true;
  for (std::size_t f = 0; f < options.files.size(); ++f) {
    const std::string& name = options.files[f];
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!read_binary_file(name, bytes, reason)) {
      std::fprintf(stderr, "%s: error: %s\n", name.c_str(), reason.c_str());
      status = exit_failed;
      continue;
    }
    const dumped_file dumped = dump_file(name, bytes, (*kinds)[f], options.shown);
    if (dumped.error) {
      std::fprintf(stderr, "%s: error: not a whole %s, at byte %zu: %s\n", name.c_str(), file_description((*kinds)[f]),
                   dumped.error->offset, dumped.error->message.c_str());
      status = exit_failed;
      continue;
    }
    if (dumped.marker)
      std::fprintf(stderr, "%s: warning: at byte %zu: %s\n", name.c_str(), dumped.marker->offset,
                   dumped.marker->message.c_str());
    if (options.shown.json) {
      documents.push_back(dumped.json);
    } else {
      if (!first_text) std::fputs("\n", stdout);
      std::fputs(dumped.text.c_str(), stdout);
      first_text = false;
    }
  }
  if (options.shown.json && !documents.empty()) {
    // One file gives one object, several an array of them.
    const nlohmann::ordered_json& shown = options.files.size() == 1 ? documents[0] : documents;
    std::puts(shown.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
  }
  return status;
}

}  // namespace

std::function<int()> define_dump(CLI::App& app) {
  auto options = std::make_shared<dump_command_options>();
  app.add_option("FILE", options->files,
                 "binary files of a build: <line>_linea.dat (plan), <line>_<train>.sim (items), "
                 "<line>_<train>.dat (track)")
      ->required();
  app.add_flag("--all", options->shown.all,
               "every cell, every item slot and every point (by default: cells with an object or where the line "
               "under them changes, items with any field set)");
  app.add_option("--step", options->shown.step,
                 "show one point of the plan every N metres, and the last (default " +
                     std::to_string(default_plan_step) + ")")
      ->check(CLI::Range(std::size_t{1}, std::size_t{100'000'000}));
  app.add_flag("--json", options->shown.json,
               "JSON instead of aligned text: one object per file (an array of them for several files)");
  app.add_option("--as", options->as, "read every FILE as this kind instead of telling it from the name")
      ->check(CLI::IsMember({"track", "items", "plan"}));
  return [options] { return run_dump(*options); };
}

}  // namespace compila::tool
