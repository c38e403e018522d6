// The scenario a build carries: its two names and the lines of the five text
// files it writes out (line source, train source and the three documents).
#pragma once

#include <span>
#include <string_view>

namespace compila {

struct scenario_text {
  std::string_view line_name;
  std::string_view train_number;
  std::span<const std::string_view> line_source;     // linea.txt
  std::span<const std::string_view> train_source;    // treno.txt
  std::span<const std::string_view> notes;           // note.txt
  std::span<const std::string_view> slowdown_order;  // rallentamenti.txt
  std::span<const std::string_view> train_card;      // scheda_treno.txt
};

// The scenario embedded in this program at build time (generated source).
const scenario_text& embedded_scenario();

}  // namespace compila
