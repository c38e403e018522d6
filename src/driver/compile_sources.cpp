#include "driver/compile_sources.h"

#include <string>

#include "line_compiler/line_source.h"
#include "model/error_kinds.h"
#include "model/file_names.h"
#include "model/rounding.h"
#include "train_compiler/train_source.h"

namespace compila {
namespace {

void read_fault(scenario_model& model, const std::string& file, const std::string& reason) {
  record_diagnostic(model, error_kinds::read_failure, {file, 0, "", "cannot read the file: " + reason});
}

// After the train source: every chainage breakpoint, as sorted, must sit on
// a multiple of 50 metres. The build stops at the first that does not; a
// resuming reading diagnoses each.
void check_chainage(scenario_model& model, const line_reading& line, bool every_breakpoint) {
  for (int i = 0; i < 3; ++i) {
    const item& breakpoint = model.items[81 + i];
    if (is_multiple_of_50(breakpoint.start_m) && is_multiple_of_50(breakpoint.end_m)) continue;
    diagnostic_site site = line.breakpoint_sites[i];
    site.detail = "chainage breakpoint at " + std::to_string(breakpoint.start_m) + " with value " +
                  std::to_string(breakpoint.end_m) + " is not on a multiple of 50";
    record_diagnostic(model, error_kinds::chainage_not_multiple, std::move(site));
    if (!every_breakpoint) return;
  }
}

}  // namespace

void compile_sources(scenario_model& model, source_files& files, reading_observer* observer) {
  // A resuming reading also reads the train source after a line source that
  // stopped, so that both files are diagnosed in one run.
  const bool resumes = observer != nullptr && observer->resumes();
  model.items[85].text = model.line_name;
  model.items[86].text = model.train_number;
  const std::string line_file = line_source_name(model);
  const std::string train_file = train_source_name(model);
  // Neither source file outlives the build, whichever way the reading ends.
  struct remove_at_end {
    source_files& files;
    const std::string& name;
    ~remove_at_end() { files.remove(name); }
  } remove_train_source{files, train_file};

  if (!files.exists(line_file)) {
    record_diagnostic(model, error_kinds::line_source_missing,
                      {line_file, 0, "", "the line source file does not exist"});
    return;
  }
  std::string text, reason;
  if (!files.read(line_file, text, reason)) {
    files.remove(line_file);
    return read_fault(model, line_file, reason);
  }
  const line_reading line = read_line_source(model, text, line_file, observer);
  files.remove(line_file);
  if ((line.end != reading_end::complete && !resumes) || !model.has_cells()) return;

  if (!files.read(train_file, text, reason)) return read_fault(model, train_file, reason);
  const reading_end train = read_train_source(model, text, train_file, line.next_signboard_slot, observer);
  files.remove(train_file);
  if (train == reading_end::complete || resumes) check_chainage(model, line, resumes);
}

}  // namespace compila
