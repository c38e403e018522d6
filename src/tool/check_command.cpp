// scenario_tool check FOLDER [--werror] [-Wno-NAME]: every problem of a
// scenario folder in one run, one line each at the folder file and line
// ("FOLDER/linea.txt:12: error: ..."), then a count. Nothing is written.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/diagnostics.h"
#include "scenario/scenario_folder.h"
#include "tool/check/scenario_check.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct check_options {
  std::string folder;
  bool werror = false;
  std::vector<std::string> switches;  // the values of -W: "no-NAME" or "error"
};

bool is_warning_name(std::string_view name) {
  for (const warning_kind& w : check_warnings())
    if (w.name == name) return true;
  return false;
}

// Reads the -W switches; false (with the message printed) for one not known.
bool read_switches(check_options& options, std::set<std::string>& silenced) {
  for (const std::string& value : options.switches) {
    if (value == "error") {
      options.werror = true;
    } else if (value.rfind("no-", 0) == 0 && is_warning_name(value.substr(3))) {
      silenced.insert(value.substr(3));
    } else {
      std::fprintf(stderr, "scenario_tool check: unknown switch -W%s; the warnings are:", value.c_str());
      for (const warning_kind& w : check_warnings()) std::fprintf(stderr, " %s", std::string(w.name).c_str());
      std::fprintf(stderr, "\n");
      return false;
    }
  }
  return true;
}

std::string plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The folder reader's problem, as an error line; `name` names the finding.
void print_folder_error(const located_problem& problem, std::string_view name = {}) {
  std::printf("%s: error: %s%s\n", file_location(problem.file, problem.line).c_str(), problem.message.c_str(),
              name.empty() ? "" : (" [" + std::string(name) + "]").c_str());
}

// Text saved as UTF-8 in a folder that declares no encoding: the simulator
// would show it garbled.
constexpr std::string_view utf8_undeclared = "utf8-undeclared";

int run_check(check_options& options) {
  std::set<std::string> silenced;
  if (!read_switches(options, silenced)) return exit_usage;
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(options.folder, problems)) {
    for (const located_problem& problem : problems) print_folder_error(problem);
    std::printf("%s, 0 warnings\n", plural(problems.size(), "error").c_str());
    return exit_failed;
  }
  std::vector<check_finding> findings = check_scenario(folder.text());
  order_findings(findings);
  std::size_t errors = 0, warnings = 0;
  for (const located_problem& line : folder.undeclared_utf8_lines()) {
    ++errors;
    print_folder_error(line, utf8_undeclared);
  }
  for (const check_finding& f : findings) {
    if (!f.is_error() && silenced.contains(std::string(f.warning))) continue;
    if (f.is_error()) {
      ++errors;
      std::printf("%s: error: %s\n", finding_location(options.folder, f).c_str(), f.message.c_str());
    } else {
      ++warnings;
      std::printf("%s: warning: %s [-W%s]\n", finding_location(options.folder, f).c_str(), f.message.c_str(),
                  std::string(f.warning).c_str());
    }
  }
  std::printf("%s, %s\n", plural(errors, "error").c_str(), plural(warnings, "warning").c_str());
  return errors > 0 || (options.werror && warnings > 0) ? exit_failed : exit_ok;
}

std::string warning_list() {
  std::string text = "Warnings (turn one off with -Wno-NAME):\n";
  for (const warning_kind& w : check_warnings())
    text += "  " + std::string(w.name) + std::string(w.name.size() < 18 ? 18 - w.name.size() : 1, ' ') +
            std::string(w.summary) + "\n";
  return text;
}

}  // namespace

std::function<int()> define_check(CLI::App& app) {
  auto options = std::make_shared<check_options>();
  app.add_option("FOLDER", options->folder, "scenario folder (scenario.txt and the five text files)")->required();
  app.add_flag("--werror", options->werror, "a warning fails the check as an error does");
  app.add_option("-W", options->switches, "-Wno-NAME turns warning NAME off; -Werror as --werror")
      ->type_name("SWITCH")
      ->allow_extra_args(false);
  app.footer(warning_list() +
             "Exit status: 0 no error (and with --werror no warning); 1 an error found; 64 bad command line.");
  return [options] { return run_check(*options); };
}

}  // namespace compila::tool
