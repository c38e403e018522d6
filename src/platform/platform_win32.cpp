// The Windows platform layer: the real window "Form1" with its label, the
// message box, and the program directory from the operating system. Text is
// UTF-8 inside the program and converted to UTF-16 at each Windows call,
// through the same path conversions the file access uses.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/utf8_path.h"

namespace compila::platform {
namespace {

// A program linked for the GUI subsystem has no standard error of its own
// when started from a console; it borrows the parent's console then.
void reach_parent_console() {
  static bool attached = false;
  if (attached) return;
  attached = true;
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

int twips_to_pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

int screen_dpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// Lets the window paint itself once; the build that follows does not
// return to the message loop, so the window is not repainted.
void dispatch_pending_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void show_wait_window() {
  reach_parent_console();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));  // hourglass
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"Form1";
  RegisterClassW(&window_class);

  const int dpi = screen_dpi();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, twips_to_pixels(4200, dpi), twips_to_pixels(2688, dpi)};
  AdjustWindowRect(&frame, style, FALSE);
  const HWND window = CreateWindowW(L"Form1", L"Form1", style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                    frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return;
  const HWND label = CreateWindowW(L"STATIC", L"Attendere", WS_CHILD | WS_VISIBLE | SS_LEFT, twips_to_pixels(960, dpi),
                                   twips_to_pixels(960, dpi), twips_to_pixels(2652, dpi), twips_to_pixels(792, dpi),
                                   window, nullptr, instance, nullptr);
  const HFONT font =
      CreateFontW(-MulDiv(24, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
  if (label != nullptr && font != nullptr) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  dispatch_pending_messages();
}

void show_message_box(std::string_view text) {
  reach_parent_console();
  // The text also goes to standard error, so that a run without a screen
  // or started from a console still tells what happened.
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  if (GetSystemMetrics(SM_CXSCREEN) <= 0) return;
  // The text is converted to UTF-16 as file names are. OK only, no icon; the
  // caption is the program's name, as a message box of the program's own.
  MessageBoxW(nullptr, utf8_path(text).wstring().c_str(), L"compila_scenario", MB_OK | MB_TASKMODAL);
}

void write_console_line(std::string_view text) {
  reach_parent_console();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string program_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return utf8_text(std::filesystem::path(path));
}

std::string program_directory() {
  const std::string path = program_path();
  const std::size_t last = path.find_last_of("\\/");
  if (last == std::string::npos) return {};
  return path.substr(0, last);
}

}  // namespace compila::platform
