// For a scenario folder, the record of the sources that put each object on
// its cell. The binary files alone cannot tell which record placed what, nor
// an author's reduction point from one the build adds; the sources can.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/scenario_text.h"

namespace compila::report {

struct placing_record {
  std::string file;  // the folder file: "linea.txt" or "treno.txt"
  std::int32_t line = 0;
  std::string record;  // the record's keyword: "indicatori_vmax", "abbattimento", ...
  std::vector<std::int64_t> values;
};

// The objects that the two sources place, by cell, read as the build reads
// them (the post-processing's automatic reduction points are not among
// them). A record that places several objects is named on each of its cells.
std::map<std::int32_t, placing_record> objects_placed_by_sources(const scenario_text& scenario);

}  // namespace compila::report
