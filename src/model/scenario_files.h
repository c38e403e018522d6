// The files of a scenario, in one table: scenario.txt names the line and the
// train; the five text files follow, each with its name in a scenario folder,
// what it is, the name the build writes it under (from the line name and the
// train number) and its lines in a scenario_text. Every reader and writer of a
// scenario takes its files from here, in this order: the folder reader, the
// embedding, the packed payload, scenario_tool init and the build's writers.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "scenario/scenario_text.h"

namespace compila {

inline constexpr std::string_view scenario_names_file = "scenario.txt";

struct scenario_file {
  std::string_view folder_name;  // "linea.txt"
  std::string_view what;         // "line source", for messages and comments
  std::string_view member_name;  // the scenario_text member, as generated code names it
  std::span<const std::string_view> scenario_text::*lines;
  // The name the build writes the file under.
  std::string (*output_name)(std::string_view line_name, std::string_view train_number);
};

namespace scenario_file_naming {

inline std::string line_source(std::string_view line, std::string_view) { return std::string(line) + "_linea.txt"; }
inline std::string train_source(std::string_view line, std::string_view train) {
  return std::string(line) + "_" + std::string(train) + "-.txt";
}
// A document keeps its folder name after the line name and the train number.
template <const std::string_view& own_name>
std::string document(std::string_view line, std::string_view train) {
  return std::string(line) + "_" + std::string(train) + "_" + std::string(own_name);
}
inline constexpr std::string_view notes = "note.txt";
inline constexpr std::string_view slowdown_order = "rallentamenti.txt";
inline constexpr std::string_view train_card = "scheda_treno.txt";

}  // namespace scenario_file_naming

// In the order of scenario_text's members, which is the order the build
// writes them and a packed payload holds them.
inline constexpr std::array<scenario_file, 5> scenario_files{{
    {"linea.txt", "line source", "line_source", &scenario_text::line_source, scenario_file_naming::line_source},
    {"treno.txt", "train source", "train_source", &scenario_text::train_source,
     scenario_file_naming::train_source},
    {scenario_file_naming::notes, "notes", "notes", &scenario_text::notes,
     scenario_file_naming::document<scenario_file_naming::notes>},
    {scenario_file_naming::slowdown_order, "slowdown order", "slowdown_order", &scenario_text::slowdown_order,
     scenario_file_naming::document<scenario_file_naming::slowdown_order>},
    {scenario_file_naming::train_card, "train card", "train_card", &scenario_text::train_card,
     scenario_file_naming::document<scenario_file_naming::train_card>},
}};

inline constexpr const scenario_file& line_source_file = scenario_files[0];
inline constexpr const scenario_file& train_source_file = scenario_files[1];

}  // namespace compila
