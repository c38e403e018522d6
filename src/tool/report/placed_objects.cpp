#include "tool/report/placed_objects.h"

#include "driver/compile_sources.h"
#include "model/file_names.h"
#include "model/scenario_files.h"
#include "reading/reading_observer.h"
#include "reading/source_files.h"
#include "scenario/text_writers.h"

namespace compila::report {
namespace {

// Notes each record as it is read and hands it to the objects it places,
// which are placed right after it.
class placing_listener final : public reading_observer {
 public:
  placing_listener(std::string line_source, std::string train_source)
      : line_source_(std::move(line_source)), train_source_(std::move(train_source)) {}

  void record_read(const record_note& note) override {
    last_ = {folder_name_of(note.file), note.line, std::string(note.record), {note.values.begin(), note.values.end()}};
  }

  void object_placed(std::int64_t cell, std::string_view /*file*/, std::int32_t /*line*/,
                     std::uint8_t /*previous_type*/) override {
    placed[static_cast<std::int32_t>(cell)] = last_;
  }

  std::map<std::int32_t, placing_record> placed;

 private:
  std::string folder_name_of(std::string_view source) const {
    if (source == line_source_) return std::string(line_source_file.folder_name);
    if (source == train_source_) return std::string(train_source_file.folder_name);
    return std::string(source);
  }

  std::string line_source_, train_source_;
  placing_record last_;
};

std::string written_text(std::span<const std::string_view> lines) {
  text_line_table table;
  if (!table.fill(lines)) return {};  // a loaded folder never holds such lines
  return table.file_text();
}

}  // namespace

std::map<std::int32_t, placing_record> objects_placed_by_sources(const scenario_text& scenario) {
  scenario_model model;
  model.line_name = scenario.line_name;
  model.train_number = scenario.train_number;
  model.with_plan = true;  // as the build reads, also where the plan stops a reading
  memory_source_files files;
  files.files[line_source_name(model)] = written_text(scenario.line_source);
  files.files[train_source_name(model)] = written_text(scenario.train_source);
  placing_listener listener(line_source_name(model), train_source_name(model));
  compile_sources(model, files, &listener);
  return std::move(listener.placed);
}

}  // namespace compila::report
