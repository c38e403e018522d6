// A scenario at the largest route the line source allows (1,000,000 m), with
// hundreds of curves, gradients, signals and stations, dozens of mountain
// spans, slowdowns and speed limits: the load the program must carry at most.
#pragma once

#include <map>
#include <string>

#include "scenario/scenario_folder.h"

namespace compila::large_scenario {

inline constexpr int route_length_m = 1'000'000;

// The six files of a scenario folder, keyed by their names in the folder
// (scenario.txt, linea.txt, treno.txt, note.txt, rallentamenti.txt,
// scheda_treno.txt); lines end with "\n".
memory_scenario_files::files folder_files();

// The same line and train sources with CR LF line ends, as the program
// writes them beside itself before reading them back.
std::string line_source();
std::string train_source();

}  // namespace compila::large_scenario
