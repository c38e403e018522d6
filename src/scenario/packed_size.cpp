#include "scenario/packed_size.h"

namespace compila {

bool stamp_packed_size(std::string& runner, std::uint64_t program_size, std::string& problem) {
  constexpr packed_size_slot bare = bare_packed_size_slot();
  const std::string_view mark(bare.mark, packed_size_mark_length);
  const std::size_t at = runner.find(mark);
  if (at == std::string::npos || runner.size() - at < sizeof bare) {
    problem = "holds no slot for the packed program's size, so it is not a compila_runner of this version";
    return false;
  }
  if (runner.find(mark, at + 1) != std::string::npos) {
    problem = "holds the mark of the packed program's size more than once, so it cannot be stamped";
    return false;
  }
  const std::size_t size_at = at + packed_size_mark_length;
  for (std::size_t i = 0; i < packed_size_bytes; ++i) {
    if (runner[size_at + i] != 0) {
      problem = "already carries a packed scenario; pack from a bare compila_runner";
      return false;
    }
  }
  std::uint64_t size = program_size;
  for (std::size_t i = 0; i < packed_size_bytes; ++i, size >>= 8) runner[size_at + i] = static_cast<char>(size & 0xff);
  return true;
}

}  // namespace compila
