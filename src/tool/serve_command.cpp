// scenario_tool serve FOLDER [--port N] [--open]: a live page of the folder's
// map, profiles, summary and check findings on http://127.0.0.1:N/, redrawn
// and pushed to every open page on each save. Nothing is written into FOLDER;
// Ctrl-C stops it.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/memory_pools.h"
#include "platform/stop_request.h"
#include "platform/utf8_path.h"
#include "tool/serve/folder_watcher.h"
#include "tool/serve/live_server.h"
#include "tool/serve/live_state.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

struct serve_options {
  std::string folder;
  int port = 0;
  bool open = false;
  double stop_after_s = 0;
};

// How often the folder's files are read again and compared.
constexpr auto poll_interval = std::chrono::milliseconds(20);

// One line per save on the console, so the terminal tells what the page shows.
void print_save(const serve::live_view& view) {
  std::size_t errors = 0;
  for (const serve::shown_finding& f : view.findings) errors += f.error ? 1 : 0;
  const std::size_t warnings = view.findings.size() - errors;
  if (view.has_errors)
    std::printf("save %llu: %zu error%s, %zu warning%s%s\n", static_cast<unsigned long long>(view.save), errors,
                errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s",
                view.stale ? "; the page keeps the last good drawing" : "");
  else
    std::printf("save %llu: drawn, %zu warning%s\n", static_cast<unsigned long long>(view.save), warnings,
                warnings == 1 ? "" : "s");
  std::fflush(stdout);
}

int run_serve(const serve_options& options) {
  if (!std::filesystem::is_directory(utf8_path(options.folder))) {
    std::fprintf(stderr, "scenario_tool serve: %s: not a folder\n", options.folder.c_str());
    return exit_failed;
  }
  platform::share_one_memory_pool();     // before any thread: memory stays flat
  platform::listen_for_stop_requests();  // before the server starts its threads
  serve::live_server server;
  std::string error;
  if (!server.open(options.port, error)) {
    std::fprintf(stderr, "scenario_tool serve: %s\n", error.c_str());
    return exit_failed;
  }
  serve::folder_watcher watcher(options.folder);
  serve::live_state state;
  server.start();
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
  std::printf("%s\n", url.c_str());
  std::printf("Serving %s there; every save is redrawn. Ctrl-C stops.\n", options.folder.c_str());
  std::fflush(stdout);
  if (options.open && !platform::open_in_browser(url))
    std::fprintf(stderr, "scenario_tool serve: no browser could be started; open %s\n", url.c_str());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.stop_after_s);
  do {
    if (serve::refresh(options.folder, watcher, state, server)) print_save(state.view());
  } while (!platform::stop_requested_within(poll_interval) &&
           (options.stop_after_s <= 0 || std::chrono::steady_clock::now() < deadline));
  server.stop();
  std::printf("Stopped.\n");
  std::fflush(stdout);
  platform::stop_requests_handled();
  return exit_ok;
}

}  // namespace

std::function<int()> define_serve(CLI::App& app) {
  auto options = std::make_shared<serve_options>();
  app.add_option("FOLDER", options->folder, "the scenario folder to watch (nothing is written into it)")->required();
  app.add_option("--port", options->port, "the port on 127.0.0.1 (default: a free one)")->check(CLI::Range(0, 65535));
  app.add_flag("--open", options->open, "open the page in the default browser");
  app.add_option("--stop-after", options->stop_after_s, "stop by itself after SECONDS (for scripts)")
      ->check(CLI::NonNegativeNumber);
  return [options] { return run_serve(*options); };
}

}  // namespace compila::tool
