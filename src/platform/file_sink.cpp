#include "platform/file_sink.h"

#include <cerrno>

#include "platform/file_replace.h"

namespace compila {

file_sink::file_sink(std::FILE* file) : file_(file) {
  // The encoder's buffer is the only one: stdio passes each piece straight on.
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

bool file_sink::take(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (error_code_ != 0) return false;
  errno = 0;
  if (write_at(file_, offset, bytes, position_)) return true;
  error_code_ = errno != 0 ? errno : EIO;
  return false;
}

}  // namespace compila
