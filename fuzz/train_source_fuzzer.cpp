// Fuzzes the train source compiler: the input is the train source text, read
// after the embedded line source.
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string line_text = compila::fuzzing::embedded_line_text();
  const std::string train_text(reinterpret_cast<const char*>(data), size);
  compila::fuzzing::compile_texts(line_text, train_text, false);
  return 0;
}
