// A long-running command's way to hear that the user wants it to stop: Ctrl-C
// or the terminal closing (SIGINT, SIGTERM, SIGHUP), or on Windows Ctrl-C,
// Ctrl-Break and the console window closing. The command polls it between
// pieces of work and stops on its own thread, so that nothing is cut short.
#pragma once

#include <chrono>
#include <string>

namespace compila::platform {

// Starts listening. On POSIX the signals are blocked in the calling thread
// and in every thread it starts afterwards: call this before any thread.
void listen_for_stop_requests();

// Waits at most `wait` for a request to stop; true once one has come.
[[nodiscard]] bool stop_requested_within(std::chrono::milliseconds wait);

// The program has stopped what it was doing; on Windows a closing console
// may end the process now.
void stop_requests_handled();

// Opens `url` in the user's default browser without waiting for it; false
// when no browser could be started.
bool open_in_browser(const std::string& url);

}  // namespace compila::platform
