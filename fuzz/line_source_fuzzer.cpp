// Fuzzes the line source compiler: the input is the line source text.
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line_text(reinterpret_cast<const char*>(data), size);
  compila::fuzzing::compile_texts(line_text, "", true);
  return 0;
}
