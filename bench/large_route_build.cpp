// The whole build of the largest route, as the program runs it, into the
// folder given (default "large_route_output"); prints the peak resident
// memory of the process and ends with the build's exit status.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/build_pipeline.h"
#include "large_scenario.h"
#include "scenario_in_memory.h"

// The high-water mark of this process's resident memory, in KiB, as the
// kernel counts it for this program image alone (VmHWM); -1 when unknown.
// (getrusage would also count the memory of a parent that spawned it.)
long peak_resident_kib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : "large_route_output";
  std::filesystem::create_directories(directory);
  int status = 0;
  {
    const compila::bench::scenario_in_memory scenario(compila::large_scenario::folder_files());
    status = compila::build_scenario(scenario.text(), directory).status;
  }
  std::printf("peak resident memory of the largest-route build: %ld KiB (status %d)\n", peak_resident_kib(), status);
  return status;
}
