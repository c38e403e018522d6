#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <filesystem>

#include "platform/command_line.h"
#include "platform/utf8_path.h"

namespace compila::platform {

std::vector<std::string> utf8_command_line(int argc, char** argv) {
  std::vector<std::string> words;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) words.push_back(utf8_text(std::filesystem::path(wide[i])));
    LocalFree(wide);
  }
  if (words.empty()) words.assign(argv, argv + argc);
  return words;
}

}  // namespace compila::platform
