// File names are held as UTF-8 text throughout the program. A path built
// through char8_t is read as UTF-8 on every platform, so on Windows the
// standard library reaches the files through the wide-character APIs and a
// folder named in any script works, whatever the ANSI code page.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace compila {

inline std::filesystem::path utf8_path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8_text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace compila
