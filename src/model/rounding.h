// Integer conversions of the build: every computed value becomes an integer by
// rounding to the nearest, halves to the even neighbour, computed exactly.
#pragma once

#include <cstdint>
#include <limits>

namespace compila {

// num / den rounded half to even; den must be positive.
constexpr std::int64_t round_half_even_div(std::int64_t num, std::int64_t den) {
  std::int64_t quotient = num / den;
  std::int64_t remainder = num % den;
  if (remainder < 0) {  // make it a floor division
    remainder += den;
    quotient -= 1;
  }
  const std::int64_t twice = 2 * remainder;
  if (twice > den || (twice == den && quotient % 2 != 0)) quotient += 1;
  return quotient;
}

// Cell index of a position: position / 50 + offset, rounded half to even.
constexpr std::int64_t cell_of(std::int64_t position_m, std::int64_t offset) {
  return round_half_even_div(position_m + 50 * offset, 50);
}

// The range test of positioned records: (position + margin) / 50, taken
// without truncation, must not exceed the highest cell index.
constexpr bool within_track(std::int64_t position_m, std::int64_t margin_m, std::int32_t cell_count) {
  return position_m + margin_m <= std::int64_t{50} * cell_count;
}

constexpr bool is_multiple_of_50(std::int64_t value) { return value % 50 == 0; }

template <typename T>
constexpr bool fits(std::int64_t value) {
  return value >= std::numeric_limits<T>::min() && value <= std::numeric_limits<T>::max();
}

// The low 16 or 8 bits of a value, as the packed cell fields keep them.
constexpr std::int16_t low_16_bits(std::int64_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}
constexpr std::uint8_t low_8_bits(std::int64_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace compila
