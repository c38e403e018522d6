// The eight files of a build, all in the program directory, named from the
// line name and the train number: the five text files of the scenario
// (model/scenario_files.h) and the three binary files.
#pragma once

#include <string>

#include "model/scenario_files.h"
#include "model/scenario_model.h"

namespace compila {

inline std::string output_name(const scenario_file& file, const scenario_model& m) {
  return output_name(file, m.line_name, m.train_number);
}
inline std::string line_source_name(const scenario_model& m) { return output_name(line_source_file, m); }
inline std::string train_source_name(const scenario_model& m) { return output_name(train_source_file, m); }
inline std::string line_data_name(const scenario_model& m) { return m.line_name + "_linea.dat"; }
inline std::string item_file_name(const scenario_model& m) { return m.line_name + "_" + m.train_number + ".sim"; }
inline std::string track_file_name(const scenario_model& m) { return m.line_name + "_" + m.train_number + ".dat"; }

}  // namespace compila
