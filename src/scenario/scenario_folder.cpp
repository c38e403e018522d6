#include "scenario/scenario_folder.h"

#include <cstdio>
#include <optional>

#include "platform/platform.h"
#include "platform/read_whole_file.h"
#include "scenario/text_writers.h"

namespace compila {

std::string folder_file_path(const std::string& folder, std::string_view name) {
  return platform::file_path(folder, std::string(name));
}

namespace {

constexpr std::size_t max_lines = text_table_slots - 1;
constexpr std::size_t max_name_size = 200;

located_problem at_line(const std::string& file, std::size_t line, const std::string& message) {
  return {file, static_cast<std::int32_t>(line), message};
}

std::string marker_message() {
  return "line equal to the end-of-list marker \"" + std::string(end_of_list_marker) + "\"";
}

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string control_message(unsigned char c) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02x", c);
  return std::string("control character 0x") + hex;
}

class disk_folder : public scenario_file_source {
 public:
  explicit disk_folder(const std::string& folder) : folder_(folder) {}
  std::string path(std::string_view name) const override { return folder_file_path(folder_, name); }
  bool read(std::string_view name, std::string& bytes, located_problem& problem) const override {
    return read_bytes(path(name), bytes, problem);
  }

 private:
  static bool read_bytes(const std::string& path, std::string& bytes, located_problem& problem);
  std::string folder_;
};

bool disk_folder::read_bytes(const std::string& path, std::string& bytes, located_problem& problem) {
  file_read_error failure;
  if (read_whole_file(path, bytes, failure)) return true;
  const bool missing = failure.what == file_read_error::kind::missing;
  problem = {path, 0, missing ? "missing scenario file" : "cannot read: " + failure.reason};
  return false;
}

// One line of scenario.txt: `key` names the field it sets.
bool read_name_line(const std::string& file, std::size_t number, const std::string& line, std::string& line_name,
                    std::string& train_number, located_problem& problem) {
  for (auto [key, value] : {std::pair{std::string_view("line_name"), &line_name},
                            std::pair{std::string_view("train_number"), &train_number}}) {
    const std::string head = std::string(key) + "=";
    if (line.compare(0, head.size(), head) != 0) continue;
    const std::string given = line.substr(head.size());
    if (given.empty() || given.size() > max_name_size) {
      problem = at_line(file, number, std::string(key) + " must hold 1 to 200 characters");
      return false;
    }
    if (given.find_first_of("/\\:*?\"<>|") != std::string::npos) {
      problem = at_line(file, number, std::string(key) + " holds a character that cannot stand in a file name");
      return false;
    }
    if (!value->empty()) {
      problem = at_line(file, number, std::string(key) + " given twice");
      return false;
    }
    *value = given;
    return true;
  }
  problem = at_line(file, number, "expected line_name=... or train_number=...");
  return false;
}

}  // namespace

bool split_scenario_lines(const std::string& file, std::string_view bytes, std::vector<std::string>& lines,
                          located_problem& problem) {
  lines.clear();
  std::string current;
  bool open_line = false;  // bytes seen since the last line end
  bool pending_cr = false;
  auto close_line = [&](std::size_t number) {
    if (current == end_of_list_marker) {
      problem = at_line(file, number, marker_message());
      return false;
    }
    if (number > max_lines) {
      problem = at_line(file, number, "more than " + std::to_string(max_lines) + " lines");
      return false;
    }
    lines.push_back(std::move(current));
    current.clear();
    open_line = false;
    return true;
  };
  for (char byte : bytes) {
    const std::size_t number = lines.size() + 1;
    const auto c = static_cast<unsigned char>(byte);
    if (pending_cr && c != '\n') {
      problem = at_line(file, number, "carriage return inside a line");
      return false;
    }
    if (c == '\r') {
      pending_cr = true;
      continue;
    }
    pending_cr = false;
    if (c == '\n') {
      if (!close_line(number)) return false;
      continue;
    }
    if (is_control(c)) {
      problem = at_line(file, number, control_message(c));
      return false;
    }
    current += byte;
    open_line = true;
  }
  if (pending_cr) {
    problem = at_line(file, lines.size() + 1, "carriage return without a line feed at the end of the file");
    return false;
  }
  return !open_line || close_line(lines.size() + 1);
}

bool scenario_folder::load(const std::string& folder, located_problem& problem) {
  return load(disk_folder(folder), problem);
}

bool scenario_folder::load(const scenario_file_source& source, located_problem& problem) {
  const std::string names_path = source.path(scenario_names_file);
  std::string bytes;
  std::vector<std::string> name_lines;
  if (!source.read(scenario_names_file, bytes, problem) ||
      !split_scenario_lines(names_path, bytes, name_lines, problem))
    return false;
  line_name_.clear();
  train_number_.clear();
  for (std::size_t i = 0; i < name_lines.size(); ++i) {
    if (name_lines[i].empty()) continue;
    if (!read_name_line(names_path, i + 1, name_lines[i], line_name_, train_number_, problem)) return false;
  }
  for (auto [key, value] : {std::pair{"line_name", &line_name_}, std::pair{"train_number", &train_number_}}) {
    if (value->empty()) {
      problem = {names_path, 0, std::string("no ") + key + "= line"};
      return false;
    }
  }
  text_ = scenario_text{};
  text_.line_name = line_name_;
  text_.train_number = train_number_;
  for (std::size_t f = 0; f < scenario_files.size(); ++f) {
    const std::string_view name = scenario_files[f].folder_name;
    if (!source.read(name, bytes, problem) || !split_scenario_lines(source.path(name), bytes, lines_[f], problem))
      return false;
    views_[f].assign(lines_[f].begin(), lines_[f].end());
    text_.*scenario_files[f].lines = views_[f];
  }
  return true;
}

}  // namespace compila
