// Little-endian numbers in bytes, whatever the host order: integers of 1, 2,
// 4 or 8 bytes (two's complement for the signed ones) and binary64 doubles.
// The caller makes sure that sizeof(T) bytes are there.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace compila::little_endian {

template <typename T>
concept number = (std::is_integral_v<T> && !std::is_same_v<T, bool>) || std::is_same_v<T, double>;

namespace detail {

// The unsigned integer of the same width, which carries the bits.
template <number T>
struct bits {
  using type = std::make_unsigned_t<T>;
};
template <>
struct bits<double> {
  using type = std::uint64_t;
};
template <number T>
using bits_of = typename bits<T>::type;

}  // namespace detail

template <number T>
void store(std::uint8_t* at, T value) {
  const auto bits = std::bit_cast<detail::bits_of<T>>(value);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &bits, sizeof bits);
  } else {
    for (std::size_t i = 0; i < sizeof bits; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
}

template <number T>
T load(const std::uint8_t* at) {
  using bits_type = detail::bits_of<T>;
  bits_type bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, at, sizeof bits);
  } else {
    for (std::size_t i = 0; i < sizeof bits; ++i) bits = static_cast<bits_type>(bits | bits_type{at[i]} << (8 * i));
  }
  return std::bit_cast<T>(bits);
}

}  // namespace compila::little_endian
