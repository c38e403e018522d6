#include "scenario_in_memory.h"

#include <cstdio>
#include <cstdlib>

#include "model/diagnostics.h"

namespace compila::bench {

scenario_in_memory::scenario_in_memory(const memory_scenario_files::files& files) {
  std::vector<located_problem> problems;
  if (folder_.load(memory_scenario_files(files), problems)) return;
  std::fprintf(stderr, "scenario:\n%s", problem_lines(problems).c_str());
  std::exit(1);
}

}  // namespace compila::bench
