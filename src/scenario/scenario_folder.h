// A scenario folder read into memory: scenario.txt (line_name=...,
// train_number=..., and encoding=... for what the five text files hold) and
// the five text files of model/scenario_files.h, one line of text per table
// slot.
// Lines end in LF or CR LF (the CR is dropped); trailing blanks and empty
// lines are kept; an empty file has no lines. A file that is missing,
// unreadable or above the size limit of platform/read_whole_file.h, has more
// than 1000 lines, holds the end-of-list marker as a line or a control
// character other than the line ends is refused with the file and line named.
// With encoding=utf-8 the texts are read as UTF-8 (a byte order mark may open
// each file) and kept as Windows-1252, the simulator's code page; a line that
// is not UTF-8 or holds a character the code page lacks is refused. Without
// the line, or with encoding=windows-1252, the bytes are kept as they are.
// Under a declared encoding the two names take ASCII only; without one, a
// name must read as UTF-8, the form of file names on Windows. scenario.txt
// may always open with a byte order mark. Every broken rule of
// every file is reported, in file and line order. This is the one place of
// these rules: the embedding of a folder into a program and the scenario tool
// both read folders here.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "model/scenario_files.h"
#include "model/scenario_text.h"
#include "model/text_encoding.h"

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

// The six files held in memory, each named as it is keyed (for building a
// folder that was never written to disk).
class memory_scenario_files final : public scenario_file_source {
 public:
  using files = std::map<std::string, std::string, std::less<>>;
  explicit memory_scenario_files(const files& contents) : files_(contents) {}
  std::string path(std::string_view name) const override { return std::string(name); }
  [[nodiscard]] bool read(std::string_view name, std::string& bytes, located_problem& problem) const override;

 private:
  const files& files_;
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

  // Reads `folder`; false with `problems`, one for each broken rule, each
  // file spelt as folder_file_path(folder, name) and line 0 for the file as a
  // whole.
  [[nodiscard]] bool load(const std::string& folder, std::vector<located_problem>& problems);
  // The same from any source of the six files; the file is spelt as source.path(name).
  [[nodiscard]] bool load(const scenario_file_source& source, std::vector<located_problem>& problems);

  // The scenario as the build takes it; valid while this object lives.
  const scenario_text& text() const { return text_; }
  // The lines of one of the five text files, in scenario_files order.
  const std::vector<std::string>& file_lines(std::size_t index) const { return lines_[index]; }
  const std::string& line_name() const { return line_name_; }
  const std::string& train_number() const { return train_number_; }
  // What scenario.txt declares; the texts above are Windows-1252 whenever it
  // declares an encoding.
  text_encoding encoding() const { return encoding_; }
  // In a folder that declares no encoding, the lines that read as UTF-8
  // text beyond ASCII: they reach the simulator's files as raw bytes. The
  // build takes them as they are; check reports them.
  const std::vector<located_problem>& undeclared_utf8_lines() const { return undeclared_utf8_; }

 private:
  void read_names(const scenario_file_source& source, std::vector<located_problem>& problems);
  void read_text_file(const scenario_file_source& source, std::size_t index, std::vector<located_problem>& problems);
  void decode_lines(const std::string& file, std::vector<std::string>& lines, std::vector<located_problem>& problems);

  std::string line_name_;
  std::string train_number_;
  text_encoding encoding_ = text_encoding::undeclared;
  std::vector<located_problem> undeclared_utf8_;
  std::array<std::vector<std::string>, scenario_files.size()> lines_;
  std::array<std::vector<std::string_view>, scenario_files.size()> views_;
  scenario_text text_;
};

// Splits a text file's bytes into lines under the rules above; false when
// it adds to `problems`, at `file` and each broken line.
[[nodiscard]] bool split_scenario_lines(const std::string& file, std::string_view bytes,
                                        std::vector<std::string>& lines, std::vector<located_problem>& problems);

// The text of a scenario.txt naming `line_name` and `train_number`, and
// declaring `encoding` unless it is undeclared. A program that writes a
// folder from Windows-1252 texts (the simulator's own files) declares
// text_encoding::windows_1252 here, so the folder builds the same bytes.
std::string scenario_names_text(std::string_view line_name, std::string_view train_number, text_encoding encoding);

}  // namespace compila
