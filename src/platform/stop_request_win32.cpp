// Stop requests on Windows: the console's control handler runs on a thread of
// its own and sets an event that the command waits on. When the console
// window closes, Windows ends the process as soon as the handler returns, so
// the handler waits (a little) for the command to finish stopping.
#include <windows.h>

#include <shellapi.h>

#include "platform/stop_request.h"

namespace compila::platform {
namespace {

// The handler is a plain function, so the two events are the one state it
// can reach; they live from listen_for_stop_requests to the program's end.
HANDLE stop_event = nullptr;
HANDLE finished_event = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
  SetEvent(stop_event);
  const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (closing) WaitForSingleObject(finished_event, 4000);
  return TRUE;
}

}  // namespace

void listen_for_stop_requests() {
  stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  finished_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

void stop_requests_handled() {
  SetEvent(finished_event);
  SetConsoleCtrlHandler(on_console_event, FALSE);
}

bool stop_requested_within(std::chrono::milliseconds wait) {
  return WaitForSingleObject(stop_event, static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0;
}

bool open_in_browser(const std::string& url) {
  const std::wstring wide(url.begin(), url.end());  // the URL is ASCII
  const auto result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace compila::platform
