// The whole build of the largest route, as the program runs it, into the
// folder given (default "large_route_output"); prints the peak resident
// memory of the process and ends with the build's exit status.
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "build/build_frame.h"
#include "large_scenario.h"
#include "scenario_in_memory.h"

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : "large_route_output";
  std::filesystem::create_directories(directory);
  int status = 0;
  {
    const compila::bench::scenario_in_memory scenario(compila::large_scenario::folder_files());
    status = compila::build_scenario(scenario.text(), directory).status;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory of the largest-route build: %ld KiB (status %d)\n", usage.ru_maxrss, status);
  return status;
}
