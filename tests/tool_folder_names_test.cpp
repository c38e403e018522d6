// Every command of scenario_tool on folders whose names hold characters
// outside ASCII, some outside every ANSI code page of Windows: the names reach
// the tool as UTF-8 and every path made from them must stay that text. The
// suite runs under wine as well (scripts/windows.sh), where a path made from a
// narrow string would be read in the ANSI code page and not be found.
//
// A command added to the tool must get its row here: the test of the command
// list fails for a command that has none.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

// The folders one run of the commands works in, all named outside ASCII.
struct named_folders {
  std::string scenario;  // the scenario folder that init writes
  std::string output;    // where build writes the binary files
  std::string page;      // a file inside `scenario`
  std::string program;   // the packed program, inside `scenario`
};

// "\xc3\xb2" is ò, "\xce\xa9" Ω (in no ANSI code page but the Greek one), "\xe2\x80\x99" ’.
named_folders folders_in(const fs::path& scratch) {
  const std::string base = utf8_text(scratch);
  const std::string scenario = base + "/Linea Pr\xc3\xb2va \xce\xa9";
  return {scenario, base + "/Uscita d\xe2\x80\x99\xce\xa9", scenario + "/pagina \xce\xa9.html",
          scenario + "/" + program_file_name("programma \xce\xa9")};
}

// The binary files that build wrote into `directory`, for dump.
std::vector<std::string> binary_files_in(const std::string& directory) {
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(utf8_path(directory))) {
    const std::string name = utf8_text(entry.path());
    if (name.ends_with(".dat") || name.ends_with(".sim")) files.push_back(name);
  }
  return files;
}

struct command_case {
  std::string command;  // the tool's command this row tries
  std::function<std::vector<std::string>(const named_folders&)> arguments;
  // What must hold once it has run, beyond status 0.
  std::function<void(const named_folders&, const process_result&)> check;
};

void expect_file(const std::string& path) { EXPECT_TRUE(fs::is_regular_file(utf8_path(path))) << path; }

// In order: each row may use what the rows before it wrote.
std::vector<command_case> every_command() {
  return {
      {"init",
       [](const named_folders& f) {
         return std::vector<std::string>{"init", f.scenario};
       },
       [](const named_folders& f, const process_result&) { expect_file(f.scenario + "/linea.txt"); }},
      {"check",
       [](const named_folders& f) {
         return std::vector<std::string>{"check", f.scenario};
       },
       [](const named_folders&, const process_result& r) { EXPECT_NE(r.out.find("0 errors"), std::string::npos); }},
      {"build",
       [](const named_folders& f) {
         return std::vector<std::string>{"build", f.scenario, "-o", f.output};
       },
       [](const named_folders& f, const process_result&) { EXPECT_EQ(binary_files_in(f.output).size(), 3u); }},
      {"dump",
       [](const named_folders& f) {
         std::vector<std::string> arguments{"dump"};
         for (const std::string& file : binary_files_in(f.output)) arguments.push_back(file);
         return arguments;
       },
       [](const named_folders&, const process_result& r) { EXPECT_NE(r.out.find("VALLE"), std::string::npos); }},
      {"draw",
       [](const named_folders& f) {
         return std::vector<std::string>{"draw", f.scenario, "-o", f.page};
       },
       [](const named_folders& f, const process_result&) { expect_file(f.page); }},
      {"draw",
       [](const named_folders& f) {
         return std::vector<std::string>{"draw", f.output, "-o", f.page};
       },
       [](const named_folders& f, const process_result&) { expect_file(f.page); }},
      {"pack",
       [](const named_folders& f) {
         return std::vector<std::string>{"pack", f.scenario, "-o", f.program};
       },
       [](const named_folders& f, const process_result&) {
         // The packed program finds itself in its folder and writes its files there.
         const process_result run = run_process(utf8_path(f.program), {}, utf8_path(f.output));
         EXPECT_EQ(run.status, 0) << run.err;
         expect_file(f.scenario + "/Valle_Prima_linea.dat");
       }},
      {"lsp", [](const named_folders&) { return std::vector<std::string>{"lsp"}; },
       // With no input at all the server ends at once, having said nothing.
       [](const named_folders&, const process_result& r) { EXPECT_EQ(r.out, ""); }},
      {"decompile",
       [](const named_folders& f) {
         return std::vector<std::string>{"decompile", f.output, "-o", f.output + "/ritorno \xce\xa9"};
       },
       [](const named_folders& f, const process_result&) { expect_file(f.output + "/ritorno \xce\xa9/linea.txt"); }},
      {"serve",
       [](const named_folders& f) {
         return std::vector<std::string>{"serve", f.scenario, "--stop-after", "1"};
       },
       [](const named_folders&, const process_result& r) {
         EXPECT_EQ(r.out.rfind("http://127.0.0.1:", 0), 0u) << r.out;
         EXPECT_NE(r.out.find("save 1: drawn"), std::string::npos) << r.out;
       }},
  };
}

std::set<std::string> listed_commands();

TEST(ToolFolderNames, EveryCommandWorksOnFoldersNamedOutsideAscii) {
  // A build without cpp-httplib has no serve: only the commands it has are run.
  const std::set<std::string> listed = listed_commands();
  scratch_directory scratch;
  const named_folders folders = folders_in(scratch.path);
  fs::create_directories(utf8_path(folders.output));
  for (const command_case& c : every_command()) {
    if (!listed.contains(c.command)) continue;
    const std::vector<std::string> arguments = c.arguments(folders);
    const process_result r = run_process(COMPILA_TOOL, arguments, scratch.path);
    std::string line;
    for (const std::string& a : arguments) line += " '" + a + "'";
    ASSERT_EQ(r.status, 0) << "scenario_tool" << line << "\n" << r.err;
    c.check(folders, r);
  }
}

// The commands that `scenario_tool help` lists, "help" aside.
std::set<std::string> listed_commands() {
  const process_result help = run_process(COMPILA_TOOL, {"help"}, fs::current_path());
  std::set<std::string> names;
  std::istringstream lines(help.out);
  bool in_list = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Subcommands:")) {
      in_list = true;
    } else if (in_list && line.starts_with("  ")) {
      const std::string name = line.substr(2, line.find(' ', 2) - 2);
      if (name != "help") names.insert(name);
    } else if (in_list) {
      break;
    }
  }
  return names;
}

TEST(ToolFolderNames, EveryCommandOfTheToolHasItsRow) {
  std::set<std::string> tried;
  for (const command_case& c : every_command()) tried.insert(c.command);
  const std::set<std::string> listed = listed_commands();
  ASSERT_GE(listed.size(), 6u) << "the help's command list was not found";
  for (const std::string& name : listed)
    EXPECT_TRUE(tried.contains(name)) << "scenario_tool " << name
                                      << " has no row in every_command(): add one that runs it on the named folders";
}

}  // namespace
}  // namespace compila::testing
