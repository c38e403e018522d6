// The scenario tool's commands. Each command lives in its own file and is
// listed once in the command table (commands.cpp); adding a command means
// writing its file and adding one line to the table.
#pragma once

#include <functional>
#include <span>
#include <string_view>

namespace CLI {
class App;
}

namespace compila::tool {

// Exit statuses shared by every command.
inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;      // an error: the build stopped, the check found an error, bad input
inline constexpr int exit_diagnostic = 2;  // build: files written with a diagnostic recorded
inline constexpr int exit_usage = 64;      // a command line that cannot be understood

struct command {
  std::string_view name;
  std::string_view summary;
  // Declares the command's options on `app` and returns what runs it.
  std::function<std::function<int()>(CLI::App& app)> define;
};

// Every command of the tool, in the order `help` lists them.
std::span<const command> commands();

// The commands, one per file.
std::function<int()> define_build(CLI::App& app);
std::function<int()> define_check(CLI::App& app);
std::function<int()> define_decompile(CLI::App& app);
std::function<int()> define_draw(CLI::App& app);
std::function<int()> define_dump(CLI::App& app);
std::function<int()> define_init(CLI::App& app);
std::function<int()> define_lsp(CLI::App& app);
std::function<int()> define_pack(CLI::App& app);
std::function<int()> define_serve(CLI::App& app);

}  // namespace compila::tool
