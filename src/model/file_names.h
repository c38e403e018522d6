// The eight files of a build, all in the program directory, named from the
// line name and the train number.
#pragma once

#include <string>

#include "model/scenario_model.h"

namespace compila {

inline std::string line_source_name(const scenario_model& m) { return m.line_name + "_linea.txt"; }
inline std::string train_source_name(const scenario_model& m) {
  return m.line_name + "_" + m.train_number + "-.txt";
}
inline std::string document_name(const scenario_model& m, const std::string& own_name) {
  return m.line_name + "_" + m.train_number + "_" + own_name;
}
inline std::string notes_name(const scenario_model& m) { return document_name(m, "note.txt"); }
inline std::string slowdown_order_name(const scenario_model& m) {
  return document_name(m, "rallentamenti.txt");
}
inline std::string train_card_name(const scenario_model& m) {
  return document_name(m, "scheda_treno.txt");
}
inline std::string line_data_name(const scenario_model& m) { return m.line_name + "_linea.dat"; }
inline std::string item_file_name(const scenario_model& m) {
  return m.line_name + "_" + m.train_number + ".sim";
}
inline std::string track_file_name(const scenario_model& m) {
  return m.line_name + "_" + m.train_number + ".dat";
}

}  // namespace compila
