// What the fuzz targets share: running the compilers over source texts and
// the facts that must hold afterwards, whatever the texts held.
#pragma once

#include <string>

#include "model/scenario_model.h"

namespace compila::fuzzing {

// Ends the run as a finding, naming the broken fact, unless `fact` holds.
void require(bool fact, const char* what);

// Runs compile_sources over the two texts and checks that neither source file
// is left behind, that the cells match cell_count and that the diagnostic is
// one of the build's codes. Aborts (a finding) when any of this fails.
scenario_model compile_texts(const std::string& line_text, const std::string& train_text, bool with_plan);

// Post-processes, stamps and encodes a compiled model, checking the sizes of
// the three files. Aborts when a size is wrong.
void finish_build(scenario_model& model);

// The embedded scenario's text files as the writers write them (CR LF).
std::string embedded_line_text();
std::string embedded_train_text();

}  // namespace compila::fuzzing
