// Writing a file whole from pieces handed over at their offsets, in whatever
// order the encoder hands them (the line data file interleaves its halves).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_writer.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

// The bytes 0, 1, 2, ... of a file `size` long.
std::string counting_bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  return bytes;
}

using piece = std::pair<std::size_t, std::size_t>;  // offset, size

struct piece_order {
  const char* name;
  std::vector<piece> pieces;
};

TEST(FileWriter, PiecesLandAtTheirOffsetsWhateverTheOrder) {
  constexpr std::size_t half = 70001;
  const std::string expected = counting_bytes(2 * half);
  const std::vector<piece_order> orders = {
      {"in file order", {{0, 65536}, {65536, 2 * half - 65536}}},
      {"two halves in turn", {{0, 65530}, {half, 65530}, {65530, half - 65530}, {half + 65530, half - 65530}}},
      {"second half first", {{half, half}, {0, half}}},
      {"backwards", {{half + 1000, half - 1000}, {half, 1000}, {1, half - 1}, {0, 1}}},
  };
  for (const piece_order& order : orders) {
    SCOPED_TRACE(order.name);
    scratch_directory dir;
    const fs::path target = dir / "linea.dat";
    std::ofstream(target, std::ios::binary) << std::string(3 * half, 'o');  // longer than the new file
    const auto encode = [&](byte_sink& sink) {
      for (const auto& [offset, size] : order.pieces) {
        const auto* start = reinterpret_cast<const std::uint8_t*>(expected.data()) + offset;
        if (!sink.take(offset, std::span(start, size))) return false;
      }
      return true;
    };
    std::string error;
    ASSERT_TRUE(write_whole_file(target.string(), encode, error)) << error;
    EXPECT_TRUE(read_file(target) == expected);
    EXPECT_FALSE(fs::exists(dir / "linea.dat.tmp"));
  }
}

}  // namespace
}  // namespace compila::testing
