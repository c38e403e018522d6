#include "scenario/scenario_folder.h"

#include <array>
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
  if (c == '\t') return "tab: use blanks instead";
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02x", c);
  return std::string("control character 0x") + hex;
}

// "U+00E8 "è"": a character as the author can find it; controls by their code alone.
std::string character_named(char32_t character) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
  const bool visible = character >= 0xA0 || (character >= 0x20 && character < 0x7f);
  return visible ? std::string(code) + " \"" + utf8_of(character) + "\"" : std::string(code);
}

std::string transcoding_message(const transcoding_failure& failure) {
  if (failure.what == transcoding_failure::kind::no_1252_form)
    return "character " + character_named(failure.character) +
           " has no Windows-1252 form, the code page the simulator shows texts in";
  char byte[8];
  std::snprintf(byte, sizeof byte, "%02X", failure.byte);
  return std::string("byte 0x") + byte +
         " is not UTF-8, which scenario.txt declares: save the file as UTF-8, or declare encoding=windows-1252";
}

std::string non_ascii_name_message(std::string_view key, char32_t character) {
  return std::string(key) + " holds " + character_named(character) +
         ": the names make the file names and the competition codes, so they take ASCII characters only";
}

std::string non_utf8_name_message(std::string_view key, unsigned char byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", byte);
  return std::string(key) + " holds byte 0x" + hex +
         ", which is not UTF-8: the names make the file names, which Windows cannot spell with it, so write them in "
         "ASCII characters";
}

constexpr std::string_view undeclared_utf8_message =
    "saved as UTF-8: add `encoding=utf-8` to scenario.txt to have it converted, or `encoding=windows-1252` to keep "
    "these bytes";

// Why a line's bytes break a rule, at the first byte that does; `ended` when a
// line feed follows it (its CR of a CR LF already dropped).
std::optional<std::string> line_problem(std::string_view line, bool ended) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == '\r')
      return !ended && i + 1 == line.size() ? "carriage return without a line feed at the end of the file"
                                            : "carriage return inside a line";
    if (is_control(c)) return control_message(c);
  }
  return std::nullopt;
}

std::string_view without_byte_order_mark(std::string_view bytes) {
  if (bytes.starts_with(utf8_byte_order_mark)) bytes.remove_prefix(utf8_byte_order_mark.size());
  return bytes;
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

// A name of scenario.txt and the line that gave it.
struct name_line {
  std::string_view key;
  std::string* value;
  std::size_t line = 0;  // 0 until the name is read
  bool written = false;  // a line starts with its key, sound or not
};

// One line of scenario.txt: a name or the encoding. `encoding_line` is 0
// until an encoding= line is read.
void read_names_line(const std::string& file, std::size_t number, const std::string& line,
                     std::array<name_line, 2>& names, text_encoding& encoding, std::size_t& encoding_line,
                     std::vector<located_problem>& problems) {
  for (name_line& name : names) {
    const std::string head = std::string(name.key) + "=";
    if (!line.starts_with(head)) continue;
    const std::string given = line.substr(head.size());
    name.written = true;
    if (given.empty() || given.size() > max_name_size) {
      problems.push_back(at_line(file, number, std::string(name.key) + " must hold 1 to 200 characters"));
    } else if (given.find_first_of("/\\:*?\"<>|") != std::string::npos) {
      problems.push_back(
          at_line(file, number, std::string(name.key) + " holds a character that cannot stand in a file name"));
    } else if (name.line != 0) {
      problems.push_back(at_line(file, number, std::string(name.key) + " given twice"));
    } else {
      *name.value = given;
      name.line = number;
    }
    return;
  }
  if (line.starts_with("encoding=")) {
    const std::optional<text_encoding> named = encoding_named(line.substr(std::string_view("encoding=").size()));
    if (!named) {
      problems.push_back(at_line(file, number, "encoding must be utf-8 or windows-1252"));
    } else if (encoding_line != 0) {
      problems.push_back(at_line(file, number, "encoding given twice"));
    } else {
      encoding = *named;
      encoding_line = number;
    }
    return;
  }
  problems.push_back(at_line(file, number, "expected line_name=..., train_number=... or encoding=..."));
}

// A name under a declared encoding: kept as Windows-1252, and ASCII only.
void check_declared_name(const std::string& file, const name_line& name, text_encoding encoding,
                         std::vector<located_problem>& problems) {
  std::string bytes = *name.value;
  transcoding_failure failure;
  if (encoding == text_encoding::utf8 && !utf8_to_windows_1252(*name.value, bytes, failure)) {
    problems.push_back(at_line(file, name.line, transcoding_message(failure)));
    return;
  }
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) continue;
    problems.push_back(at_line(file, name.line, non_ascii_name_message(name.key, windows_1252_character(byte))));
    return;
  }
}

}  // namespace

bool split_scenario_lines(const std::string& file, std::string_view bytes, std::vector<std::string>& lines,
                          std::vector<located_problem>& problems) {
  lines.clear();
  const std::size_t problems_before = problems.size();
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    const bool ended = end != std::string_view::npos;
    std::string_view line = bytes.substr(start, ended ? end - start : std::string_view::npos);
    start = ended ? end + 1 : bytes.size();
    const std::size_t number = lines.size() + 1;
    if (number > max_lines) {
      problems.push_back(at_line(file, number, "more than " + std::to_string(max_lines) + " lines"));
      break;
    }
    if (ended && line.ends_with('\r')) line.remove_suffix(1);
    if (const std::optional<std::string> problem = line_problem(line, ended))
      problems.push_back(at_line(file, number, *problem));
    else if (line == end_of_list_marker) problems.push_back(at_line(file, number, marker_message()));
    lines.emplace_back(line);
  }
  return problems.size() == problems_before;
}

std::string scenario_names_text(std::string_view line_name, std::string_view train_number, text_encoding encoding) {
  std::string text = "line_name=" + std::string(line_name) + "\ntrain_number=" + std::string(train_number) + "\n";
  if (encoding != text_encoding::undeclared) text.append("encoding=").append(encoding_name(encoding)).append("\n");
  return text;
}

bool scenario_folder::load(const std::string& folder, std::vector<located_problem>& problems) {
  return load(disk_folder(folder), problems);
}

bool scenario_folder::load(const scenario_file_source& source, std::vector<located_problem>& problems) {
  problems.clear();
  undeclared_utf8_.clear();
  read_names(source, problems);
  for (std::size_t f = 0; f < scenario_files.size(); ++f) read_text_file(source, f, problems);
  if (!problems.empty()) return false;
  text_ = scenario_text{};
  text_.line_name = line_name_;
  text_.train_number = train_number_;
  for (std::size_t f = 0; f < scenario_files.size(); ++f) {
    views_[f].assign(lines_[f].begin(), lines_[f].end());
    text_.*scenario_files[f].lines = views_[f];
  }
  return true;
}

void scenario_folder::read_names(const scenario_file_source& source, std::vector<located_problem>& problems) {
  line_name_.clear();
  train_number_.clear();
  encoding_ = text_encoding::undeclared;
  const std::string file = source.path(scenario_names_file);
  std::string bytes;
  located_problem unreadable;
  std::vector<std::string> lines;
  if (!source.read(scenario_names_file, bytes, unreadable)) {
    problems.push_back(unreadable);
    return;
  }
  if (!split_scenario_lines(file, without_byte_order_mark(bytes), lines, problems)) return;
  std::array<name_line, 2> names{{{"line_name", &line_name_}, {"train_number", &train_number_}}};
  std::size_t encoding_line = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (!lines[i].empty()) read_names_line(file, i + 1, lines[i], names, encoding_, encoding_line, problems);
  for (const name_line& name : names) {
    if (!name.written) {
      problems.push_back({file, 0, "no " + std::string(name.key) + "= line"});
    } else if (name.line == 0) {
      continue;  // its line is already reported
    } else if (encoding_ != text_encoding::undeclared) {
      check_declared_name(file, name, encoding_, problems);
    } else if (const std::optional<std::size_t> at = first_non_utf8_byte(*name.value)) {
      // Windows reaches files through UTF-8 names: this one cannot be written there.
      problems.push_back(
          at_line(file, name.line, non_utf8_name_message(name.key, static_cast<unsigned char>((*name.value)[*at]))));
    } else if (is_undeclared_utf8(*name.value)) {
      undeclared_utf8_.push_back(at_line(file, name.line, std::string(undeclared_utf8_message)));
    }
  }
}

void scenario_folder::read_text_file(const scenario_file_source& source, std::size_t index,
                                     std::vector<located_problem>& problems) {
  const std::string_view name = scenario_files[index].folder_name;
  std::string bytes;
  located_problem unreadable;
  if (!source.read(name, bytes, unreadable)) {
    problems.push_back(unreadable);
    return;
  }
  const std::string file = source.path(name);
  std::string_view text = bytes;
  if (encoding_ == text_encoding::utf8) text = without_byte_order_mark(text);
  if (split_scenario_lines(file, text, lines_[index], problems)) decode_lines(file, lines_[index], problems);
}

void scenario_folder::decode_lines(const std::string& file, std::vector<std::string>& lines,
                                   std::vector<located_problem>& problems) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (encoding_ == text_encoding::utf8) {
      std::string converted;
      transcoding_failure failure;
      if (utf8_to_windows_1252(lines[i], converted, failure)) lines[i] = std::move(converted);
      else problems.push_back(at_line(file, i + 1, transcoding_message(failure)));
    } else if (encoding_ == text_encoding::undeclared && is_undeclared_utf8(lines[i])) {
      undeclared_utf8_.push_back(at_line(file, i + 1, std::string(undeclared_utf8_message)));
    }
  }
}

bool memory_scenario_files::read(std::string_view name, std::string& bytes, located_problem& problem) const {
  const auto file = files_.find(name);
  if (file == files_.end()) {
    problem = {std::string(name), 0, "missing scenario file"};
    return false;
  }
  bytes = file->second;
  return true;
}

}  // namespace compila
