// Stop requests on POSIX: the signals are blocked and taken with
// sigtimedwait, so no handler runs at an arbitrary point of another thread.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/stop_request.h"

namespace compila::platform {
namespace {

sigset_t stop_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void listen_for_stop_requests() {
  const sigset_t set = stop_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  // A client that goes away mid-answer must not end the program.
  signal(SIGPIPE, SIG_IGN);
}

void stop_requests_handled() {}

bool stop_requested_within(std::chrono::milliseconds wait) {
  const sigset_t set = stop_signals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>(std::chrono::nanoseconds(wait - seconds).count())};
  return sigtimedwait(&set, nullptr, &timeout) > 0;
}

bool open_in_browser(const std::string& url) {
#ifdef __APPLE__
  const char* opener = "open";
#else
  const char* opener = "xdg-open";
#endif
  std::string program(opener), argument(url);
  char* arguments[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, opener, nullptr, nullptr, arguments, environ) != 0) return false;
  // Reaped aside, so that the opener leaves no zombie behind.
  std::thread([child] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace compila::platform
