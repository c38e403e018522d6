#include "writers/file_sink.h"

#include <cerrno>

namespace compila {

file_sink::file_sink(std::FILE* file) : file_(file) {
  // The encoder's buffer is the only one: stdio passes each piece straight on.
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

bool file_sink::take(std::span<const std::uint8_t> bytes) {
  if (error_code_ != 0) return false;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return true;
  error_code_ = errno != 0 ? errno : EIO;
  return false;
}

}  // namespace compila
