// Fuzzes the whole build frame: the input holds the line source text, a NUL
// byte and the train source text; an odd input length builds the plan too.
// Both are compiled, post-processed, stamped and encoded.
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string line_text = input.substr(0, split);
  const std::string train_text = split == std::string::npos ? "" : input.substr(split + 1);
  compila::scenario_model model = compila::fuzzing::compile_texts(line_text, train_text, size % 2);
  compila::fuzzing::finish_build(model);
  return 0;
}
