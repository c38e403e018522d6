// window_probe: looks at the windows of a running compila_scenario the way a
// user sees them and prints what it finds, one fact a line:
//   form1 client <width>x<height> dpi <dpi>
//   label "<text>" at <x>,<y> size <width>x<height>
//   message_box caption "<caption>" text "<text>" buttons <names> icon <yes|no>
// It waits up to the given number of seconds for the window "Form1" and, with
// --message-box, for a message box too; status 0 when all were found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring window_text(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(GetWindowTextW(window, text.data(), int(text.size())));
  return text;
}

std::wstring class_name(HWND window) {
  std::wstring name(256, L'\0');
  name.resize(GetClassNameW(window, name.data(), int(name.size())));
  return name;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A top-level dialog window (class "#32770") that is not this program's own.
HWND find_message_box() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND window, LPARAM result) -> BOOL {
        if (IsWindowVisible(window) && class_name(window) == L"#32770") {
          *reinterpret_cast<HWND*>(result) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void report_form(HWND form) {
  RECT client{};
  GetClientRect(form, &client);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  std::printf("form1 client %ldx%ld dpi %d\n", client.right - client.left, client.bottom - client.top, dpi);
  for (HWND child : children(form)) {
    RECT frame{};
    GetWindowRect(child, &frame);
    POINT origin{frame.left, frame.top};
    ScreenToClient(form, &origin);
    std::printf("label \"%s\" at %ld,%ld size %ldx%ld\n", utf8(window_text(child)).c_str(), origin.x, origin.y,
                frame.right - frame.left, frame.bottom - frame.top);
  }
}

void report_message_box(HWND box) {
  std::string text, buttons;
  bool icon = false;
  for (HWND child : children(box)) {
    const std::wstring kind = class_name(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (kind == L"Button") {
      buttons += (buttons.empty() ? "" : ",") + utf8(window_text(child));
    } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
      icon = IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0) != 0;
    } else if (kind == L"Static" && !window_text(child).empty()) {
      text = utf8(window_text(child));
    }
  }
  std::printf("message_box caption \"%s\" text \"%s\" buttons %s icon %s\n", utf8(window_text(box)).c_str(),
              text.c_str(), buttons.c_str(), icon ? "yes" : "no");
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  const bool want_box = argc > 2 && std::string(argv[2]) == "--message-box";
  HWND form = nullptr, box = nullptr;
  for (int waited = 0; waited < seconds * 10; ++waited) {
    form = FindWindowW(nullptr, L"Form1");
    box = want_box ? find_message_box() : nullptr;
    if (form != nullptr && (!want_box || box != nullptr)) break;
    Sleep(100);
  }
  if (form != nullptr) report_form(form);
  if (box != nullptr) report_message_box(box);
  std::fflush(stdout);
  return form != nullptr && (!want_box || box != nullptr) ? 0 : 1;
}
