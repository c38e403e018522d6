#include "scenario/text_writers.h"

#include "model/file_names.h"
#include "platform/file_writer.h"
#include "platform/platform.h"

namespace compila {

bool text_line_table::fill(std::span<const std::string_view> lines) {
  if (lines.size() >= text_table_slots) return false;
  std::size_t slot = 0;
  for (std::string_view line : lines) {
    if (line == end_of_list_marker) return false;
    slots_[slot++] = line;
  }
  slots_[slot] = end_of_list_marker;
  return true;
}

std::string text_line_table::file_text() const {
  std::string text;
  for (const std::string& slot : slots_) {
    if (slot == end_of_list_marker) break;
    text += slot;
    text += "\r\n";
  }
  return text;
}

bool write_text_lines(const std::string& path, std::span<const std::string_view> lines, std::string& error) {
  text_line_table table;
  if (!table.fill(lines)) {
    error = "cannot write " + path + ": its " + std::to_string(lines.size()) +
            " lines do not fit the text-line table or one equals its end-of-list marker";
    return false;
  }
  return write_whole_file(path, table.file_text(), error);
}

bool write_text_file(const scenario_file& file, const scenario_model& model, const scenario_text& text,
                     const std::string& directory, std::string& error) {
  return write_text_lines(platform::file_path(directory, output_name(file, model)), text.*file.lines, error);
}

bool write_text_files(const scenario_model& model, const scenario_text& text, const std::string& directory,
                      std::string& error) {
  for (const scenario_file& file : scenario_files)
    if (!write_text_file(file, model, text, directory, error)) return false;
  return true;
}

}  // namespace compila
