// scenario_tool check FOLDER [--werror] [-Wno-NAME] [-Wno-error=NAME]: every
// problem of a scenario folder in one run, one line each at the folder file
// and line ("FOLDER/linea.txt:12: error: ... [-Wunknown-keyword]"), then a
// count. Nothing is written.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/diagnostics.h"
#include "model/text_encoding.h"
#include "scenario/scenario_folder.h"
#include "tool/check/scenario_check.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct check_options {
  std::string folder;
  bool werror = false;
  std::vector<std::string> switches;  // the values of -W: "no-NAME", "no-error=NAME" or "error"
};

// What the -W switches ask of the named findings.
struct finding_switches {
  std::set<std::string, std::less<>> silenced;  // -Wno-NAME: not listed
  std::set<std::string, std::less<>> demoted;   // -Wno-error=NAME: a warning, not an error
};

// Reads the -W switches; false (with the message printed) for one not known.
bool read_switches(check_options& options, finding_switches& switches) {
  for (const std::string& value : options.switches) {
    const std::string_view rest = std::string_view(value).substr(value.rfind("no-error=", 0) == 0 ? 9 : 3);
    if (value == "error") {
      options.werror = true;
    } else if (value.rfind("no-", 0) == 0 && find_finding_kind(rest) != nullptr) {
      (value.rfind("no-error=", 0) == 0 ? switches.demoted : switches.silenced).emplace(rest);
    } else {
      std::fprintf(stderr, "scenario_tool check: unknown switch -W%s; the findings are:", value.c_str());
      for (const finding_kind& kind : check_finding_kinds())
        std::fprintf(stderr, " %s", std::string(kind.name).c_str());
      std::fprintf(stderr, "\n");
      return false;
    }
  }
  return true;
}

std::string plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The folder reader's problem, as an error line.
void print_folder_error(const located_problem& problem) {
  std::printf("%s: error: %s\n", file_location(problem.file, problem.line).c_str(), problem.message.c_str());
}

// Text saved as UTF-8 in a folder that declares no encoding (the simulator
// would show it garbled): found by the folder reader, told as a finding.
constexpr std::string_view utf8_undeclared = "utf8-undeclared";

int run_check(check_options& options) {
  finding_switches switches;
  if (!read_switches(options, switches)) return exit_usage;
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(options.folder, problems)) {
    for (const located_problem& problem : problems) print_folder_error(problem);
    std::printf("%s, 0 warnings\n", plural(problems.size(), "error").c_str());
    return exit_failed;
  }
  std::vector<check_finding> findings = check_scenario(folder.text());
  order_findings(findings);
  // A folder that declares its encoding was read into the simulator's code
  // page; the text the findings quote goes back to the terminal as UTF-8.
  if (folder.encoding() != text_encoding::undeclared)
    for (check_finding& f : findings) f.message = windows_1252_to_utf8(f.message);
  std::size_t errors = 0, warnings = 0;
  for (const located_problem& line : folder.undeclared_utf8_lines()) {
    if (switches.silenced.contains(utf8_undeclared)) break;
    const bool demoted = switches.demoted.contains(utf8_undeclared);
    ++(demoted ? warnings : errors);
    std::printf("%s: %s: %s [-W%s]\n", file_location(line.file, line.line).c_str(), demoted ? "warning" : "error",
                line.message.c_str(), std::string(utf8_undeclared).c_str());
  }
  for (check_finding& f : findings) {
    if (f.name.empty()) {  // a diagnostic of the build: always an error
      ++errors;
      std::printf("%s: error: %s\n", finding_location(options.folder, f).c_str(), f.message.c_str());
      continue;
    }
    if (switches.silenced.contains(f.name)) continue;
    if (switches.demoted.contains(f.name)) f.level = severity::warning;
    ++(f.is_error() ? errors : warnings);
    std::printf("%s: %s: %s [-W%s]\n", finding_location(options.folder, f).c_str(), f.is_error() ? "error" : "warning",
                f.message.c_str(), std::string(f.name).c_str());
  }
  std::printf("%s, %s\n", plural(errors, "error").c_str(), plural(warnings, "warning").c_str());
  return errors > 0 || (options.werror && warnings > 0) ? exit_failed : exit_ok;
}

std::string finding_list() {
  std::string text = "Findings (turn one off with -Wno-NAME; make an error a warning with -Wno-error=NAME):\n";
  for (const finding_kind& kind : check_finding_kinds())
    text += "  " + std::string(kind.name) + std::string(kind.name.size() < 18 ? 18 - kind.name.size() : 1, ' ') +
            (kind.level == severity::error ? "error:   " : "warning: ") + std::string(kind.summary) + "\n";
  return text;
}

}  // namespace

std::function<int()> define_check(CLI::App& app) {
  auto options = std::make_shared<check_options>();
  app.add_option("FOLDER", options->folder, "scenario folder (scenario.txt and the five text files)")->required();
  app.add_flag("--werror", options->werror, "a warning fails the check as an error does");
  app.add_option("-W", options->switches,
                 "-Wno-NAME turns finding NAME off; -Wno-error=NAME makes it a warning; -Werror as --werror")
      ->type_name("SWITCH")
      ->allow_extra_args(false);
  app.footer(finding_list() +
             "Exit status: 0 no error (and with --werror no warning); 1 an error found; 64 bad command line.");
  return [options] { return run_check(*options); };
}

}  // namespace compila::tool
