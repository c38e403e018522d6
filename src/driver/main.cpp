// compila_scenario: writes out the embedded scenario and compiles it into the
// simulator's three binary files, all in the directory of the program.
// `compila_scenario --version` prints its version and writes nothing.
#include "driver/build_pipeline.h"
#include "driver/program_version.h"
#include "model/scenario_text.h"

int main(int argc, char** argv) {
  if (compila::asks_for_version(argc, argv)) return compila::print_version("compila_scenario");
  return compila::run_program(compila::embedded_scenario());
}
