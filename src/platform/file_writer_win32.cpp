// Writing a file whole on Windows: wide paths throughout, a replace that waits
// a moment for a file another program holds open, and a read-only file left
// alone. Windows runs a program by its name alone, so nothing makes one
// executable.
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/file_replace.h"
#include "platform/utf8_path.h"

namespace compila {
namespace {

// The simulator, an editor or a virus scanner may hold the old file open for a
// moment; a replace refused for that is tried again for this long.
constexpr auto replace_patience = std::chrono::seconds(3);
constexpr auto replace_pause = std::chrono::milliseconds(100);

bool is_read_only(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string system_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD size =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", size);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  if (message.empty()) return "system error " + std::to_string(code);
  return utf8_text(std::filesystem::path(message));
}

}  // namespace

std::FILE* open_for_writing(const std::string& path) { return _wfopen(utf8_path(path).c_str(), L"wb"); }

// A piece away from the file's position is written after a seek.
bool write_at(std::FILE* file, std::uint64_t offset, std::span<const std::uint8_t> bytes, std::uint64_t& position) {
  if (offset != position) {
    if (offset > static_cast<std::uint64_t>(INT64_MAX) || _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) != 0)
      return false;
    position = offset;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;
  position = offset + bytes.size();
  return true;
}

bool replace_file(const std::string& temporary, const std::string& path, std::string& error) {
  const std::wstring from = utf8_path(temporary).wstring(), to = utf8_path(path).wstring();
  // A read-only file is not replaced, whatever the file system would allow.
  if (is_read_only(to)) {
    remove_file(temporary);
    return report_write_error(error, path, "replace", "the file is read-only");
  }
  const auto give_up = std::chrono::steady_clock::now() + replace_patience;
  DWORD code = ERROR_SUCCESS;
  while (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = GetLastError();
    if (is_read_only(to)) {
      remove_file(temporary);
      return report_write_error(error, path, "replace", "the file is read-only");
    }
    const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
    if (!held) {
      remove_file(temporary);
      return report_write_error(error, path, "replace", system_message(code));
    }
    if (std::chrono::steady_clock::now() >= give_up) {
      remove_file(temporary);
      return report_write_error(
          error, path, "replace",
          "another program holds the file open (close it and run again); the old file is left as it was");
    }
    std::this_thread::sleep_for(replace_pause);
  }
  return true;
}

bool make_executable(const std::string& temporary, const std::string& path, std::string& error) {
  (void)temporary, (void)path, (void)error;
  return true;
}

}  // namespace compila
