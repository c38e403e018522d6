#include "platform/file_sink.h"

#include <cerrno>
#include <limits>

namespace compila {

file_sink::file_sink(std::FILE* file) : file_(file) {
  // The encoder's buffer is the only one: stdio passes each piece straight on.
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

bool file_sink::take(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (error_code_ != 0) return false;
  errno = 0;
  const bool placed = offset == position_ || (offset <= static_cast<std::uint64_t>(std::numeric_limits<long>::max()) &&
                                              std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0);
  if (placed && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) {
    position_ = offset + bytes.size();
    return true;
  }
  error_code_ = errno != 0 ? errno : EIO;
  return false;
}

}  // namespace compila
