// The track post-processing: automatic reduction points (type 12, value 180)
// around the slowdowns, placed once both source files are compiled.
//
//   A  ahead of every signal within 20 cells before a warning board;
//   B  in three groups of cells 5-7, 11-13 and 18-20 before a slowdown start;
//   C  every 8 cells through a slowdown slower than 110;
//   D  just ahead of the first signal within 12 cells after the slowdown end.
// A point that finds no free cell leaves diagnostic 11 (A), 12 (B) or 13 (C, D).
#pragma once

#include <cstdint>

#include "model/scenario_model.h"

namespace compila {

void post_process_track(scenario_model& model);

}  // namespace compila
