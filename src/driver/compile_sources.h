// `compile_sources`: reads the line source file and then the train source file
// into the scenario model, deleting each once it has been read.
#pragma once

#include "model/scenario_model.h"
#include "reading/reading_observer.h"
#include "reading/source_files.h"

namespace compila {

// Fills the model from the two source files. Diagnostics are recorded in
// `error_kind`; neither source file is left behind, whatever happens. The
// build reads without an observer (see reading_observer.h for one).
void compile_sources(scenario_model& model, source_files& files, reading_observer* observer = nullptr);

}  // namespace compila
