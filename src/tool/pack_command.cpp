// scenario_tool pack FOLDER -o PROGRAM [--windows]: writes a program that
// carries FOLDER's scenario and builds it as a compila_scenario made from
// FOLDER would, with no compiler: a copy of the prebuilt compila_runner with
// the scenario appended (scenario/scenario_payload.h).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "platform/file_writer.h"
#include "platform/platform.h"
#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"
#include "scenario/packed_size.h"
#include "scenario/scenario_folder.h"
#include "scenario/scenario_payload.h"
#include "tool/check/scenario_check.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct pack_options {
  std::string folder;
  std::string output;
  std::string runner;  // empty: the one beside scenario_tool
  bool windows = false;
  bool allow_errors = false;
};

// The kind of program a runner must be: its first bytes and how to name it.
struct program_kind {
  std::string_view magic;
  std::string_view name;
  std::string_view runner_file;
};

constexpr program_kind windows_program{"MZ", "a Windows program", "compila_runner.exe"};
constexpr program_kind elf_program{
    "\x7f"
    "ELF",
    "an ELF program for this system", "compila_runner"};
constexpr program_kind host_program = platform::on_windows ? windows_program : elf_program;

std::string where_runner_comes_from(bool windows) {
  return windows ? "configure the build with -DCOMPILA_WINDOWS_RUNNER=PATH to a Windows build's compila_runner.exe, "
                   "or name one with --runner"
                 : "build the compila_runner target, or name one with --runner";
}

bool read_runner(const std::string& path, const pack_options& options, const program_kind& kind, std::string& runner) {
  std::string error;
  if (!read_whole_file(path, runner, error)) {
    std::fprintf(stderr, "%s (%s)\n", error.c_str(), where_runner_comes_from(options.windows).c_str());
    return false;
  }
  if (!runner.starts_with(kind.magic)) {
    std::fprintf(stderr, "%s: not %.*s, so it cannot be the runner%s\n", path.c_str(), int(kind.name.size()),
                 kind.name.data(), options.windows ? "" : " (--windows packs the Windows program)");
    return false;
  }
  if (find_payload(runner).result != payload_search::kind::absent) {
    std::fprintf(stderr, "%s: already carries a packed scenario; pack from a bare compila_runner\n", path.c_str());
    return false;
  }
  return true;
}

// A folder in which check finds an error would give players a program that
// stops or writes files with a diagnostic: refused, naming the first error
// and the command that shows them all.
bool refuse_errors(const pack_options& options, const scenario_folder& folder) {
  std::vector<check_finding> findings = check_scenario(folder.text());
  order_findings(findings);
  std::size_t errors = 0;
  located_problem first;  // where the first error stands and what it says
  for (const located_problem& line : folder.undeclared_utf8_lines()) {
    if (errors++ == 0) first = line;
  }
  for (const check_finding& f : findings) {
    if (!f.is_error()) continue;
    if (errors++ == 0) first = {finding_location(options.folder, f), 0, f.message};
  }
  if (errors == 0) return false;
  const std::string count = std::to_string(errors) + (errors == 1 ? " error" : " errors");
  std::fprintf(stderr,
               "%s: not packed: check finds %s, the first %s: %s\n"
               "see them all with: scenario_tool check %s (or pack it as it is with --allow-errors)\n",
               options.folder.c_str(), count.c_str(), file_location(first.file, first.line).c_str(),
               first.message.c_str(), options.folder.c_str());
  return true;
}

// The runner beside scenario_tool (a build folder, the Windows zip), else
// the one an install put in its runners' folder, which the build names
// relative to the tool's folder (COMPILA_RUNNERS_FROM_TOOL, empty where it
// is the same folder). With neither, the one beside, for the message.
std::string runner_beside_or_installed(const std::string& tool_directory, std::string_view runner_file) {
  std::string beside = platform::file_path(tool_directory, std::string(runner_file));
  const std::string_view runners_from_tool = COMPILA_RUNNERS_FROM_TOOL;
  std::error_code error;
  if (runners_from_tool.empty() || std::filesystem::exists(utf8_path(beside), error)) return beside;
  const std::string installed = platform::file_path(platform::file_path(tool_directory, std::string(runners_from_tool)),
                                                    std::string(runner_file));
  return std::filesystem::exists(utf8_path(installed), error) ? installed : beside;
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(utf8_path(a), utf8_path(b), error);
}

int run_pack(const pack_options& options) {
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(options.folder, problems)) {
    std::fputs(problem_lines(problems).c_str(), stderr);
    return exit_failed;
  }
  if (!options.allow_errors && refuse_errors(options, folder)) return exit_failed;
  std::string error;
  const program_kind& kind = options.windows ? windows_program : host_program;
  std::string runner_path = options.runner;
  if (runner_path.empty()) {
    const std::string tool_directory = platform::program_directory();
    if (tool_directory.empty()) {
      std::fprintf(stderr, "cannot find the folder of scenario_tool, where the runner lies; name it with --runner\n");
      return exit_failed;
    }
    runner_path = runner_beside_or_installed(tool_directory, kind.runner_file);
  }
  std::string runner;
  if (!read_runner(runner_path, options, kind, runner)) return exit_failed;
  if (same_file(runner_path, options.output)) {
    std::fprintf(stderr, "%s: is the runner itself; write the packed program elsewhere\n", options.output.c_str());
    return exit_failed;
  }
  const std::string payload = encode_scenario_payload(folder);
  if (!stamp_packed_size(runner, runner.size() + payload.size() + payload_trailer_size, error)) {
    std::fprintf(stderr, "%s: %s\n", runner_path.c_str(), error.c_str());
    return exit_failed;
  }
  const std::string program = packed_program(runner, payload);
  if (!write_whole_program(options.output, program, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return exit_failed;
  }
  std::printf("%s: the scenario %s %s packed into %.*s; it writes its files into its own folder\n",
              options.output.c_str(), folder.line_name().c_str(), folder.train_number().c_str(), int(kind.name.size()),
              kind.name.data());
  return exit_ok;
}

}  // namespace

std::function<int()> define_pack(CLI::App& app) {
  auto options = std::make_shared<pack_options>();
  app.add_option("FOLDER", options->folder, "scenario folder (scenario.txt and the five text files)")->required();
  app.add_option("-o,--output", options->output, "the program to write (name it .exe with --windows)")->required();
  app.add_flag("--windows", options->windows, "pack the Windows program compila_runner.exe");
  app.add_option("--runner", options->runner, "the compila_runner to pack (default: the one beside scenario_tool)");
  app.add_flag("--allow-errors", options->allow_errors,
               "pack even a folder in which scenario_tool check finds an error");
  app.footer("A folder in which scenario_tool check finds an error is refused (status 1) unless --allow-errors.");
  return [options] { return run_pack(*options); };
}

}  // namespace compila::tool
