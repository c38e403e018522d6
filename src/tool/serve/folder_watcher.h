// Watches a scenario folder by reading its six files again and comparing
// their bytes with the last reading: portable, and no save is missed, even two
// saves of the same size within the same second. Only the six files are read,
// so an editor's temporary and backup files never count; a file that is
// missing or cannot be read is left out, and the folder reader names it.
#pragma once

#include <string>

#include "scenario/scenario_folder.h"

namespace compila::serve {

using folder_files = memory_scenario_files::files;

// The bytes of the folder's six files that could be read, by name.
folder_files read_folder_files(const std::string& folder);

class folder_watcher {
 public:
  explicit folder_watcher(std::string folder) : folder_(std::move(folder)) {}

  // Reads the files again; true when anything differs from the last reading
  // (always on the first call).
  bool poll();
  // The last reading.
  const folder_files& files() const { return files_; }

 private:
  std::string folder_;
  folder_files files_;
  bool read_once_ = false;
};

}  // namespace compila::serve
