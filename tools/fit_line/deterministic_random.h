// A random source that gives the same sequence on every standard library:
// std::mt19937_64 is fully defined by the standard, the distributions are not,
// so the few draws the searches need are made here from its raw output.
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace fit_line {

class deterministic_random {
 public:
  explicit deterministic_random(std::uint64_t seed) : engine_(seed) {}

  // 0 .. bound - 1 (bound > 0); the modulo bias is far below anything that matters here.
  int below(int bound) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(bound)); }

  // lowest .. highest inclusive.
  int between(int lowest, int highest) { return lowest + below(highest - lowest + 1); }

  // [0, 1) with 53 random bits.
  double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

  bool coin() { return (engine_() >> 63) != 0; }

  template <typename T>
  void shuffle(std::vector<T>& items) {
    for (int i = static_cast<int>(items.size()) - 1; i > 0; --i)
      std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(below(i + 1))]);
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace fit_line
