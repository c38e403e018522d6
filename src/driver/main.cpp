// compila_scenario: writes out the embedded scenario and compiles it into the
// simulator's three binary files, all in the directory of the program.
#include "build/build_frame.h"
#include "writers/scenario_text.h"

int main() { return compila::Form_Load(compila::embedded_scenario()); }
