// What the live page shows after each save of the folder: check's findings,
// each at its file:line with the text of that line, and the drawing. A save
// with errors keeps the last good drawing, shown dimmed under the findings;
// a folder that has had no good save yet shows the findings alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/serve/folder_watcher.h"

namespace compila::serve {

struct shown_finding {
  std::string where;  // "linea.txt:12", or the file alone for the file as a whole
  bool error = true;
  std::string message;    // as check prints it after "error: ", with its [-WNAME]
  std::string line_text;  // the text of that line; empty for a whole file
};

// One save of the folder checked and, when it has no error, drawn.
struct folder_outcome {
  std::vector<shown_finding> findings;  // in file and line order
  bool has_errors = false;
  std::string title;    // the line and the train, as the drawing names them
  std::string drawing;  // the drawn page's style and body; empty when there are errors
  std::string profile;  // the profile's data under the pointer (profile_hover.h), with the drawing
};

// Reads the folder from `files` (as the watcher captured them), checks it and,
// without errors, builds and draws it; `folder` is how the page names the
// folder. The one step between a save and the page.
folder_outcome examine_folder(const std::string& folder, const folder_files& files);

struct live_view {
  std::uint64_t save = 0;  // the count of saves taken so far
  std::vector<shown_finding> findings;
  bool has_errors = false;
  std::string title;
  std::string drawing;  // the last good drawing; empty before the first
  std::string profile;  // its profile's data under the pointer
  bool stale = false;   // the drawing comes from an earlier save than the findings
};

class live_state {
 public:
  void take(folder_outcome outcome);
  const live_view& view() const { return view_; }

 private:
  live_view view_;
};

// The view as one line of JSON, for the page's script.
std::string view_json(const live_view& view);

}  // namespace compila::serve
