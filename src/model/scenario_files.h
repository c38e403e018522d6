// The files of a scenario, in one table: scenario.txt names the line and the
// train; the five text files follow, each with its name in a scenario folder,
// what it is, how the build names it and its lines in a scenario_text. Every
// reader and writer of a scenario takes its files from here, in this order:
// the folder reader, the embedding, the packed payload, scenario_tool init
// and the build's writers.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "model/scenario_text.h"

namespace compila {

inline constexpr std::string_view scenario_names_file = "scenario.txt";

// How the build names a text file, from the line name L and the train number T.
enum class output_naming {
  line_source,   // L_linea.txt
  train_source,  // L_T-.txt
  document       // L_T_ followed by the folder name
};

struct scenario_file {
  std::string_view folder_name;  // "linea.txt"
  std::string_view what;         // "line source"
  std::string_view member_name;  // the scenario_text member, as generated code names it
  std::span<const std::string_view> scenario_text::*lines;
  output_naming naming;
};

// In the order of scenario_text's members, which is the order the build
// writes them and a packed payload holds them.
inline constexpr std::array<scenario_file, 5> scenario_files{{
    {"linea.txt", "line source", "line_source", &scenario_text::line_source, output_naming::line_source},
    {"treno.txt", "train source", "train_source", &scenario_text::train_source, output_naming::train_source},
    {"note.txt", "notes", "notes", &scenario_text::notes, output_naming::document},
    {"rallentamenti.txt", "slowdown order", "slowdown_order", &scenario_text::slowdown_order, output_naming::document},
    {"scheda_treno.txt", "train card", "train_card", &scenario_text::train_card, output_naming::document},
}};

inline constexpr const scenario_file& line_source_file = scenario_files[0];
inline constexpr const scenario_file& train_source_file = scenario_files[1];

// The name the build writes `file` under.
inline std::string output_name(const scenario_file& file, std::string_view line_name, std::string_view train_number) {
  const std::string line(line_name), train(train_number);
  switch (file.naming) {
    case output_naming::line_source: return line + "_linea.txt";
    case output_naming::train_source: return line + "_" + train + "-.txt";
    case output_naming::document: break;
  }
  return line + "_" + train + "_" + std::string(file.folder_name);
}

}  // namespace compila
