#include "platform/read_whole_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/utf8_path.h"

namespace compila {
namespace {

file_read_error failure(const std::string& path, file_read_error::kind what, std::string reason) {
  return {path, what, std::move(reason)};
}

std::string system_reason() { return std::strerror(errno != 0 ? errno : EIO); }

std::string too_large_reason() {
  return "larger than " + std::to_string(largest_readable_file >> 20) + " MiB, more than any file a build writes";
}

// Opens `path` after the checks every read makes; `size` is the file's size
// when the system tells it.
bool open_checked(const std::string& path, std::ifstream& in, std::optional<std::uintmax_t>& size,
                  file_read_error& error) {
  const std::filesystem::path file = utf8_path(path);
  std::error_code code;
  const std::filesystem::file_status status = std::filesystem::status(file, code);
  if (!std::filesystem::exists(status)) {
    error = failure(path, file_read_error::kind::missing, std::strerror(ENOENT));
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    error = failure(path, file_read_error::kind::directory, "it is a directory");
    return false;
  }
  const std::uintmax_t found = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(file, code) : 0;
  if (!code && found > largest_readable_file) {
    error = failure(path, file_read_error::kind::too_large, too_large_reason());
    return false;
  }
  size.reset();
  if (!code) size = found;
  errno = 0;
  in.open(file, std::ios::binary);
  if (!in) {
    error = failure(path, file_read_error::kind::failed, system_reason());
    return false;
  }
  return true;
}

// Read in chunks up to the limit, as a size asked for beforehand may not hold
// for a file that grows or is no regular file.
template <typename byte_container>
bool read_into(const std::string& path, byte_container& bytes, file_read_error& error) {
  std::ifstream in;
  std::optional<std::uintmax_t> size;
  if (!open_checked(path, in, size, error)) return false;
  bytes.clear();
  if (size) bytes.reserve(static_cast<std::size_t>(*size));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > largest_readable_file) {
      error = failure(path, file_read_error::kind::too_large, too_large_reason());
      return false;
    }
  }
  if (in.bad()) {
    error = failure(path, file_read_error::kind::failed, system_reason());
    return false;
  }
  return true;
}

}  // namespace

bool open_file_to_read(const std::string& path, std::ifstream& in, file_read_error& error) {
  std::optional<std::uintmax_t> size;
  return open_checked(path, in, size, error);
}

bool read_whole_file(const std::string& path, std::string& bytes, file_read_error& error) {
  return read_into(path, bytes, error);
}

bool read_whole_file(const std::string& path, std::vector<std::uint8_t>& bytes, file_read_error& error) {
  return read_into(path, bytes, error);
}

bool read_whole_file(const std::string& path, std::string& bytes, std::string& error) {
  file_read_error failure;
  if (read_whole_file(path, bytes, failure)) return true;
  error = failure.message();
  return false;
}

bool file_pieces::open(const std::string& path, file_read_error& error) {
  // Only a regular file has a size to read pieces up to (and opening a pipe
  // could wait for a writer).
  std::error_code code;
  const std::filesystem::file_status status = std::filesystem::status(utf8_path(path), code);
  if (std::filesystem::exists(status) && !std::filesystem::is_directory(status) &&
      !std::filesystem::is_regular_file(status)) {
    error = failure(path, file_read_error::kind::failed, "not a regular file");
    return false;
  }
  std::optional<std::uintmax_t> size;
  if (!open_checked(path, in_, size, error)) return false;
  if (!size) {
    error = failure(path, file_read_error::kind::failed, "not a regular file");
    return false;
  }
  size_ = *size;
  path_ = path;
  return true;
}

bool file_pieces::read(std::uint64_t offset, std::span<std::uint8_t> into, file_read_error& error) {
  if (offset > size_ || into.size() > size_ - offset) {
    error = failure(path_, file_read_error::kind::failed, "the file is shorter than when it was opened");
    return false;
  }
  errno = 0;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
  if (in_.gcount() == static_cast<std::streamsize>(into.size())) return true;
  error = failure(path_, file_read_error::kind::failed,
                  in_.bad() ? system_reason() : "the file is shorter than when it was opened");
  return false;
}

}  // namespace compila
