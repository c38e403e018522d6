// A scenario folder read into memory: scenario.txt (line_name=...,
// train_number=...) and the five text files of model/scenario_files.h, one
// line of text per table slot.
// Lines end in LF or CR LF (the CR is dropped); trailing blanks and empty
// lines are kept; an empty file has no lines. A file that is missing,
// unreadable or above the size limit of platform/read_whole_file.h, has more
// than 1000 lines, holds the end-of-list marker as a
// line or a control character other than the line ends is refused with the
// file and line named. This is the one place of these rules: the embedding of
// a folder into a program and the scenario tool both read folders here.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "model/scenario_files.h"
#include "model/scenario_text.h"

namespace compila {

// Where a scenario's six files come from: a folder on disk, or the scenario
// packed into a program. The same rules apply whatever the source.
class scenario_file_source {
 public:
  virtual ~scenario_file_source() = default;
  // How reports name the file `name` ("FOLDER/linea.txt").
  virtual std::string path(std::string_view name) const = 0;
  // The file's bytes; false with `problem` at path(name), line 0.
  [[nodiscard]] virtual bool read(std::string_view name, std::string& bytes, located_problem& problem) const = 0;
};

// A folder's file as it is named to the author: with the platform's own
// separator, as the author's file manager shows it.
std::string folder_file_path(const std::string& folder, std::string_view name);

// The folder's content; it owns every line and offers them as a scenario_text.
class scenario_folder {
 public:
  scenario_folder() = default;
  scenario_folder(const scenario_folder&) = delete;
  scenario_folder& operator=(const scenario_folder&) = delete;

  // Reads `folder`; false with `problem` at the first broken rule, its file
  // spelt as folder_file_path(folder, name) and its line 0 for the file as a
  // whole.
  [[nodiscard]] bool load(const std::string& folder, located_problem& problem);
  // The same from any source of the six files; the file is spelt as source.path(name).
  [[nodiscard]] bool load(const scenario_file_source& source, located_problem& problem);

  // The scenario as the build takes it; valid while this object lives.
  const scenario_text& text() const { return text_; }
  // The lines of one of the five text files, in scenario_files order.
  const std::vector<std::string>& file_lines(std::size_t index) const { return lines_[index]; }
  const std::string& line_name() const { return line_name_; }
  const std::string& train_number() const { return train_number_; }

 private:
  std::string line_name_;
  std::string train_number_;
  std::array<std::vector<std::string>, scenario_files.size()> lines_;
  std::array<std::vector<std::string_view>, scenario_files.size()> views_;
  scenario_text text_;
};

// Splits a text file's bytes into lines under the rules above; false with
// `problem` at `file` and the line.
[[nodiscard]] bool split_scenario_lines(const std::string& file, std::string_view bytes,
                                        std::vector<std::string>& lines, located_problem& problem);

}  // namespace compila
