// A scenario held in memory as the build takes it, from the six files of a
// folder, split under the folder rules.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "writers/scenario_text.h"

namespace compila::bench {

class scenario_in_memory {
 public:
  // `files` are the folder's files keyed by name; a broken folder rule ends
  // the program with the reason, since every measurement needs the scenario.
  explicit scenario_in_memory(const std::map<std::string, std::string>& files);
  scenario_in_memory(const scenario_in_memory&) = delete;
  scenario_in_memory& operator=(const scenario_in_memory&) = delete;

  const scenario_text& text() const { return text_; }

 private:
  std::string line_name_;
  std::string train_number_;
  std::array<std::vector<std::string>, 5> lines_;
  std::array<std::vector<std::string_view>, 5> views_;
  scenario_text text_;
};

}  // namespace compila::bench
