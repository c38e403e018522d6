// A scenario held in memory as the build takes it, from the six files of a
// folder, read under the folder rules.
#pragma once

#include <map>
#include <string>

#include "model/scenario_text.h"
#include "scenario/scenario_folder.h"

namespace compila::bench {

class scenario_in_memory {
 public:
  // `files` are the folder's files keyed by name; a broken folder rule ends
  // the program with the reason, since every measurement needs the scenario.
  explicit scenario_in_memory(const memory_scenario_files::files& files);
  scenario_in_memory(const scenario_in_memory&) = delete;
  scenario_in_memory& operator=(const scenario_in_memory&) = delete;

  const scenario_text& text() const { return folder_.text(); }

 private:
  scenario_folder folder_;
};

}  // namespace compila::bench
