// Where an encoded file goes, piece by piece: a file on disk (file_sink.h) or
// memory. The encoders in format/ write into it; nothing here knows a format.
#pragma once

#include <cstdint>
#include <span>

namespace compila {

// Takes an encoded file piece by piece, as the encoder's fixed buffers fill.
// Each piece says where it goes in the file; the pieces never overlap and
// together fill the file from its first byte, but a file encoded from two
// places at once (the line data file's two halves) interleaves them.
class byte_sink {
 public:
  virtual ~byte_sink() = default;
  // False when the bytes cannot be taken; nothing more is handed over then.
  virtual bool take(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace compila
