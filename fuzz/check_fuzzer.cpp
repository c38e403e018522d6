// Fuzzes scenario_tool check against the build. The input holds the folder's
// linea.txt, a NUL byte and its treno.txt. For every input that a scenario
// folder accepts:
//   - a reading that an observer listens to (without resuming) and that logs
//     its diagnostics builds exactly what the plain reading builds;
//   - the check finds an error exactly when the build does not end clean (a
//     diagnostic recorded, no track, or a refusal 1250/1251);
//   - the check's first error is the build's first recorded diagnostic, at
//     the same file and line, with the same message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "fuzz_support.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "reading/source_files.h"
#include "scenario/scenario_folder.h"
#include "scenario/text_writers.h"
#include "tool/check/scenario_check.h"

namespace {

using namespace compila;
using compila::fuzzing::require;

class listener final : public reading_observer {
 public:
  void keyword_field(const keyword_note&) override {}
};

struct build_end {
  std::int32_t error_kind = 0;
  diagnostic_site diagnostic;
  bool has_track = false;
  const char* refusal = nullptr;
  byte_buffer line_data, items, track;
};

std::string written(const std::vector<std::string_view>& lines) {
  text_line_table table;
  require(table.fill(lines), "a folder's lines do not fit the text-line table");
  return table.file_text();
}

build_end build(const scenario_text& text, reading_observer* observer, std::vector<logged_diagnostic>* log) {
  scenario_model model;
  model.line_name = std::string(text.line_name);
  model.train_number = std::string(text.train_number);
  model.with_plan = true;
  model.diagnostic_log = log;
  memory_source_files files;
  files.files[line_source_name(model)] = written({text.line_source.begin(), text.line_source.end()});
  files.files[train_source_name(model)] = written({text.train_source.begin(), text.train_source.end()});
  compile_sources(model, files, observer);
  build_end end;
  end.has_track = model.has_cells();
  if (end.has_track) {
    post_process_track(model);
    end.refusal = stamp_model(model);
    end.line_data = encode_line_data(model);
    end.items = encode_item_file(model);
    end.track = encode_track_file(model);
  }
  end.error_kind = model.error_kind;
  end.diagnostic = model.diagnostic;
  return end;
}

bool same_site(const diagnostic_site& a, const diagnostic_site& b) {
  return a.file == b.file && a.line == b.line && a.keyword == b.keyword && a.detail == b.detail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string line_bytes = input.substr(0, split);
  const std::string train_bytes = split == std::string::npos ? "" : input.substr(split + 1);
  std::vector<std::string> line_lines, train_lines;
  std::vector<located_problem> problems;
  if (!split_scenario_lines(std::string(line_source_file.folder_name), line_bytes, line_lines, problems) ||
      !split_scenario_lines(std::string(train_source_file.folder_name), train_bytes, train_lines, problems))
    return 0;  // the folder is refused before any reading
  const std::vector<std::string_view> line_views(line_lines.begin(), line_lines.end());
  const std::vector<std::string_view> train_views(train_lines.begin(), train_lines.end());
  const scenario_text text{"Corvalia_Brunasco-Alpestra", "40517", line_views, train_views, {}, {}, {}};

  const build_end plain = build(text, nullptr, nullptr);
  listener observer;
  std::vector<logged_diagnostic> log;
  const build_end observed = build(text, &observer, &log);
  require(observed.error_kind == plain.error_kind && same_site(observed.diagnostic, plain.diagnostic),
          "an observed reading recorded another diagnostic");
  require(observed.has_track == plain.has_track && observed.refusal == plain.refusal,
          "an observed reading ended otherwise");
  require(observed.line_data == plain.line_data && observed.items == plain.items && observed.track == plain.track,
          "an observed reading built other files");
  require(log.empty() == (plain.error_kind == 0), "the log and error_kind disagree");
  if (!log.empty()) require(log.back().code == plain.error_kind, "the log's last entry is not the one kept");

  // Every diagnostic of the build is an error of the check; the check may
  // find errors of its own (what a build would lose) where the build is clean.
  const std::vector<check_finding> findings = check_scenario(text);
  const check_finding* first_error = nullptr;
  for (const check_finding& f : findings) {
    if (f.name.empty()) {
      require(f.is_error(), "a diagnostic of the build is not an error");
      first_error = &f;
      break;
    }
  }
  const bool build_clean = plain.error_kind == 0 && plain.has_track && plain.refusal == nullptr;
  require((first_error == nullptr) == build_clean, "check and build disagree on whether there is a diagnostic");
  if (!log.empty()) {
    const logged_diagnostic& first = log.front();
    require(first_error->code == first.code, "the check's first error has another code");
    require(first_error->message == diagnostic_text(first.code, first.site), "the first error's message differs");
    if (first.site.object_cell < 0)
      require(first_error->line == folder_line(first.site.line), "the first error is at another line");
  }
  return 0;
}
