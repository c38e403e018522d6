// scenario_tool: the scenario author's tool over the compiler core.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "driver/program_version.h"
#include "platform/command_line.h"
#include "tool/tool_command.h"

namespace {

// The command line as UTF-8 (platform/command_line.h), as CLI11 takes it.
class utf8_arguments {
 public:
  utf8_arguments(int argc, char** argv) : words_(compila::platform::utf8_command_line(argc, argv)) {
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

bool is_command(CLI::App& app, const std::string& name) {
  for (CLI::App* sub : app.get_subcommands({}))
    if (sub->get_name() == name) return true;
  return false;
}

int run_tool(int raw_argc, char** raw_argv) {
  using namespace compila::tool;
  utf8_arguments arguments(raw_argc, raw_argv);
  const int argc = arguments.argc();
  char** argv = arguments.argv();
  CLI::App app{"scenario_tool: build, check and inspect train-driving scenarios", "scenario_tool"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "scenario_tool " + std::string(compila::program_version()),
                       "print the version and end");
  app.footer(
      "Exit status: 0 success; 1 error (build stopped, errors found, bad input, unreadable file); "
      "2 build wrote the files with a diagnostic; 64 bad command line.");
  std::vector<std::function<int()>> runners;
  std::function<int()> chosen;
  for (const command& c : commands()) {
    CLI::App* sub = app.add_subcommand(std::string(c.name), std::string(c.summary));
    std::function<int()> run = c.define(*sub);
    sub->callback([&chosen, run] { chosen = run; });
  }
  CLI::App* help = app.add_subcommand("help", "show this help, or a command's help: help COMMAND");
  std::string help_topic;
  help->add_option("COMMAND", help_topic, "command to describe");
  help->callback([&] {
    if (help_topic.empty()) {
      std::fputs(app.get_formatter()->make_help(&app, "scenario_tool", CLI::AppFormatMode::Normal).c_str(), stdout);
      chosen = [] { return exit_ok; };
      return;
    }
    for (CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == help_topic && sub != help) {
        std::fputs(sub->get_formatter()->make_help(sub, sub->get_name(), CLI::AppFormatMode::Normal).c_str(), stdout);
        chosen = [] { return exit_ok; };
        return;
      }
    }
    std::fprintf(stderr, "scenario_tool: no command \"%s\"; run scenario_tool help\n", help_topic.c_str());
    chosen = [] { return exit_usage; };
  });
  if (argc > 1 && argv[1][0] != '-' && !is_command(app, argv[1])) {
    std::fprintf(stderr, "scenario_tool: no command \"%s\"; run scenario_tool help\n", argv[1]);
    return exit_usage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "scenario_tool: %s\n", e.what());
    std::fprintf(stderr, "run scenario_tool help for the commands\n");
    return exit_usage;
  }
  return chosen ? chosen() : exit_usage;
}

}  // namespace

// What no command expects (memory running out, say) still ends in a message
// and the error status rather than an abort.
int main(int argc, char** argv) {
  try {
    return run_tool(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scenario_tool: %s\n", e.what());
    return compila::tool::exit_failed;
  }
}
