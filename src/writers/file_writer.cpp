#include "writers/file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace compila {
namespace {

bool report(std::string& error, const std::string& path, const char* action, int code) {
  error = "cannot write " + path + ": " + action + ": " + std::strerror(code);
  return false;
}

}  // namespace

bool write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
  const std::string temporary = path + ".tmp";
  errno = 0;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return report(error, path, "create", errno ? errno : EIO);
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int code = errno ? errno : EIO;
  const bool flushed = written && std::fflush(file) == 0;
  if (written && !flushed) code = errno ? errno : EIO;
  const bool closed = std::fclose(file) == 0;
  if (flushed && !closed) code = errno ? errno : EIO;
  if (!written || !flushed || !closed) {
    std::remove(temporary.c_str());
    return report(error, path, "write", code);
  }
  std::error_code renamed;
  std::filesystem::rename(temporary, path, renamed);
  if (renamed) {
    std::remove(temporary.c_str());
    return report(error, path, "replace", renamed.value());
  }
  return true;
}

bool write_whole_file(const std::string& path, std::string_view text, std::string& error) {
  return write_whole_file(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
}

}  // namespace compila
