#include "platform/file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"
#include "platform/file_sink.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>
#endif

namespace compila {
namespace {

bool report(std::string& error, const std::string& path, const char* action, const std::string& reason) {
  error = "cannot write " + path + ": " + action + ": " + reason;
  return false;
}

bool report(std::string& error, const std::string& path, const char* action, int code) {
  return report(error, path, action, std::strerror(code));
}

// Opens `path` (UTF-8) for binary output, creating it empty; errno says why not.
std::FILE* open_for_writing(const std::string& path) {
#ifdef _WIN32
  return _wfopen(utf8_path(path).c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

void remove_file(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(utf8_path(path), ignored);
}

#ifdef _WIN32
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
  const DWORD size = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", size);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  if (message.empty()) return "system error " + std::to_string(code);
  return utf8_text(std::filesystem::path(message));
}
#endif

// Puts the complete temporary file in the place of `path`; on failure the old
// file is as it was and the temporary file is gone.
bool replace_file(const std::string& temporary, const std::string& path, std::string& error) {
#ifdef _WIN32
  const std::wstring from = utf8_path(temporary).wstring(), to = utf8_path(path).wstring();
  // A read-only file is not replaced, whatever the file system would allow.
  if (is_read_only(to)) {
    remove_file(temporary);
    return report(error, path, "replace", "the file is read-only");
  }
  const auto give_up = std::chrono::steady_clock::now() + replace_patience;
  DWORD code = ERROR_SUCCESS;
  while (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = GetLastError();
    if (is_read_only(to)) {
      remove_file(temporary);
      return report(error, path, "replace", "the file is read-only");
    }
    const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
    if (!held) {
      remove_file(temporary);
      return report(error, path, "replace", system_message(code));
    }
    if (std::chrono::steady_clock::now() >= give_up) {
      remove_file(temporary);
      return report(error, path, "replace",
                    "another program holds the file open (close it and run again); the old file is left as it was");
    }
    std::this_thread::sleep_for(replace_pause);
  }
  return true;
#else
  std::error_code renamed;
  std::filesystem::rename(temporary, path, renamed);
  if (!renamed) return true;
  remove_file(temporary);
  return report(error, path, "replace", renamed.value());
#endif
}

// Gives execute permission wherever read permission is given (Windows runs
// a program by its name alone, so there is nothing to do there).
bool make_executable(const std::string& temporary, const std::string& path, std::string& error) {
#ifdef _WIN32
  (void)temporary, (void)path, (void)error;
  return true;
#else
  namespace fs = std::filesystem;
  std::error_code code;
  const fs::perms granted = fs::status(temporary, code).permissions();
  fs::perms execute = fs::perms::none;
  if ((granted & fs::perms::owner_read) != fs::perms::none) execute |= fs::perms::owner_exec;
  if ((granted & fs::perms::group_read) != fs::perms::none) execute |= fs::perms::group_exec;
  if ((granted & fs::perms::others_read) != fs::perms::none) execute |= fs::perms::others_exec;
  if (!code) fs::permissions(temporary, execute, fs::perm_options::add, code);
  if (!code) return true;
  remove_file(temporary);
  return report(error, path, "make executable", code.message());
#endif
}

bool write_file(const std::string& path, const file_encoder& encode, bool executable, std::string& error) {
  const std::string temporary = path + ".tmp";
  errno = 0;
  std::FILE* file = open_for_writing(temporary);
  if (file == nullptr) return report(error, path, "create", errno ? errno : EIO);
  file_sink sink(file);
  const bool written = encode(sink);
  int code = sink.error_code() ? sink.error_code() : EIO;
  const bool flushed = written && std::fflush(file) == 0;
  if (written && !flushed) code = errno ? errno : EIO;
  const bool closed = std::fclose(file) == 0;
  if (flushed && !closed) code = errno ? errno : EIO;
  if (!written || !flushed || !closed) {
    remove_file(temporary);
    return report(error, path, "write", code);
  }
  if (executable && !make_executable(temporary, path, error)) return false;
  return replace_file(temporary, path, error);
}

// Streams the bytes as they are.
file_encoder bytes_encoder(std::span<const std::uint8_t> bytes) {
  return [bytes](byte_sink& sink) { return bytes.empty() || sink.take(0, bytes); };
}

std::span<const std::uint8_t> as_bytes(std::string_view text) {
  return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

bool write_whole_file(const std::string& path, const file_encoder& encode, std::string& error) {
  return write_file(path, encode, false, error);
}

bool write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
  return write_file(path, bytes_encoder(bytes), false, error);
}

bool write_whole_file(const std::string& path, std::string_view text, std::string& error) {
  return write_file(path, bytes_encoder(as_bytes(text)), false, error);
}

bool write_whole_program(const std::string& path, std::string_view bytes, std::string& error) {
  return write_file(path, bytes_encoder(as_bytes(bytes)), true, error);
}

}  // namespace compila
