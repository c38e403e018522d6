// compila_scenario: writes out the embedded scenario and compiles it into the
// simulator's three binary files, all in the directory of the program.
#include "driver/build_pipeline.h"
#include "model/scenario_text.h"

int main() { return compila::run_program(compila::embedded_scenario()); }
