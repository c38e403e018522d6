// Writes the largest-route scenario folder into the directory given.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "large_scenario.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& [name, text] : compila::large_scenario::folder_files()) {
    std::ofstream out(folder / name, std::ios::binary);
    out << text;
    if (!out.flush()) {
      std::fprintf(stderr, "cannot write %s\n", (folder / name).string().c_str());
      return 1;
    }
  }
  return 0;
}
