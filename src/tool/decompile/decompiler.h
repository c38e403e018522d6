// Decompiling: from the files of one build back to a scenario folder whose
// build gives the same files byte for byte.
//
//   build_files files = ...;                // found by name (scenario_files.h)
//   decompiled result = decompile_build(files);
//   write result.folder unless it is empty; print result.messages; exit result.status
//
// Every answer is checked by building the folder in memory and comparing the
// bytes: the search for the author's own reduction points rebuilds until the
// post-processing puts back exactly the points in the files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/decompile/compiled_scenario.h"

namespace compila::decompile {

struct decompiled {
  // 0: the folder rebuilds the same files; 1: a file no source can make (the
  // folder holds what could be recovered, or nothing when the files cannot be
  // read at all); 2: the files come from a build that recorded a diagnostic.
  int status = 0;
  std::vector<std::string> messages;  // "PATH: error: ..." or "PATH: warning: ..."
  // The folder's files, name and bytes, in the order of scenario_files with
  // scenario.txt first; empty when nothing may be written.
  std::vector<std::pair<std::string, std::string>> folder;
};

decompiled decompile_build(const build_files& files);

}  // namespace compila::decompile
