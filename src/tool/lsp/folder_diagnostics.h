// check's findings for a scenario folder whose files may be open in the
// editor: the open ones are taken as the editor holds them (UTF-8, brought
// to the folder's encoding), the others are read from the disk afresh on
// every run, so that a change made by another program is seen.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace compila::lsp {

struct folder_finding {
  std::int32_t line = 0;  // from 1; 0 for the file as a whole
  bool error = true;
  std::string code;     // the finding's name, or "diagnostic N" for the build's own
  std::string message;  // UTF-8
  std::string quoted;   // the text the message quotes first, to find its columns
};

// The findings by folder file name ("linea.txt"). A problem of a file that
// is not in `open_texts` is also given, named, to every file that is.
using findings_by_file = std::map<std::string, std::vector<folder_finding>, std::less<>>;

findings_by_file check_folder(const std::string& folder,
                              const std::map<std::string, std::string, std::less<>>& open_texts);

}  // namespace compila::lsp
