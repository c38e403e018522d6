// The size a packed program was written with. compila_runner carries a slot,
// a mark followed by eight bytes, that holds zero in a bare runner; pack
// writes the whole packed program's size there (little-endian). The runner
// reads its own slot, so a copy of the program that lost its end is told
// apart from a runner that never had a scenario.
//
// Only the runner defines the slot and only pack looks for the mark, so the
// mark occurs once in a runner's file; no other code of the runner spells it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace compila {

inline constexpr std::size_t packed_size_mark_length = 24;
inline constexpr std::size_t packed_size_bytes = 8;

struct packed_size_slot {
  char mark[packed_size_mark_length];
  unsigned char size[packed_size_bytes];
};

// The slot of a bare runner: the mark, then a size of zero.
consteval packed_size_slot bare_packed_size_slot() {
  constexpr std::string_view mark = "compila_runner:size-slot";
  static_assert(mark.size() == packed_size_mark_length);
  packed_size_slot slot{};
  for (std::size_t i = 0; i < mark.size(); ++i) slot.mark[i] = mark[i];
  return slot;
}

// The size held in `slot` (read byte by byte, as it may be volatile).
inline std::uint64_t packed_size_of(const volatile packed_size_slot& slot) {
  std::uint64_t size = 0;
  for (std::size_t i = packed_size_bytes; i-- > 0;) size = (size << 8) | slot.size[i];
  return size;
}

// Writes `program_size`, the size of the packed program to be made from
// `runner`, into the runner's slot. False with `problem` when `runner` holds
// no bare slot, or more than one mark.
[[nodiscard]] bool stamp_packed_size(std::string& runner, std::uint64_t program_size, std::string& problem);

}  // namespace compila
