// The sink that streams an encoded file into an open file: each piece the
// encoder's buffer hands over is written at once at its offset, with no
// second buffer (file_replace.h's write_at, each system its own way).
#pragma once

#include <cstdio>

#include "platform/byte_sink.h"

namespace compila {

class file_sink final : public byte_sink {
 public:
  // `file` must be freshly opened, before any write.
  explicit file_sink(std::FILE* file);

  bool take(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  // The errno of the first write that failed; 0 while none has.
  int error_code() const { return error_code_; }

 private:
  std::FILE* file_;
  std::uint64_t position_ = 0;  // the file's own position
  int error_code_ = 0;
};

}  // namespace compila
