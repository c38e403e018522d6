// A long-running command's way to hear that the user wants it to stop: Ctrl-C
// or the terminal closing (SIGINT, SIGTERM, SIGHUP), or on Windows Ctrl-C,
// Ctrl-Break and the console window closing. The command polls it between
// pieces of work and stops on its own thread, so that nothing is cut short.
#pragma once

#include <chrono>
#include <string>

namespace compila::platform {

class stop_request {
 public:
  // Starts listening. On POSIX the signals are blocked in the calling thread
  // and in every thread it starts afterwards: make this before any thread.
  stop_request();
  // Stops listening; on Windows it lets a closing console end the process.
  ~stop_request();
  stop_request(const stop_request&) = delete;
  stop_request& operator=(const stop_request&) = delete;

  // Waits at most `wait` for a request to stop; true once one has come.
  [[nodiscard]] bool arrived_within(std::chrono::milliseconds wait);
};

// Opens `url` in the user's default browser without waiting for it; false
// when no browser could be started.
bool open_in_browser(const std::string& url);

}  // namespace compila::platform
