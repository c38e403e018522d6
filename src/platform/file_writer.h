// Writing a file whole: the bytes go to a temporary file beside it, which
// replaces the old file only once it is complete and closed. A run that fails
// or is killed midway leaves the earlier file as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/byte_sink.h"

namespace compila {

// Encodes a file into the sink it is given; false when the sink refused.
using file_encoder = std::function<bool(byte_sink&)>;

// The file streamed from `encode` into the temporary file as it is encoded.
// False with `error` naming the file and the reason when it cannot be written.
[[nodiscard]] bool write_whole_file(const std::string& path, const file_encoder& encode, std::string& error);
// False with `error` naming the file and the reason when it cannot be written.
[[nodiscard]] bool write_whole_file(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);
[[nodiscard]] bool write_whole_file(const std::string& path, std::string_view text, std::string& error);

// The same for a program: the complete temporary file is made executable
// (wherever it may be read) before it takes the place of `path`.
[[nodiscard]] bool write_whole_program(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace compila
