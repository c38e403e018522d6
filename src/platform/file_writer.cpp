#include "platform/file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_replace.h"
#include "platform/file_sink.h"
#include "platform/utf8_path.h"

namespace compila {

bool report_write_error(std::string& error, const std::string& path, const char* action, const std::string& reason) {
  error = "cannot write " + path + ": " + action + ": " + reason;
  return false;
}

void remove_file(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(utf8_path(path), ignored);
}

namespace {

bool report(std::string& error, const std::string& path, const char* action, int code) {
  return report_write_error(error, path, action, std::strerror(code));
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
