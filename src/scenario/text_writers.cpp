#include "scenario/text_writers.h"

#include "platform/platform.h"
#include "model/file_names.h"
#include "platform/file_writer.h"

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

namespace {

bool write_in(const std::string& directory, const std::string& name, std::span<const std::string_view> lines,
              std::string& error) {
  return write_text_lines(platform::file_path(directory, name), lines, error);
}

}  // namespace

bool write_line_source(const scenario_model& model, const scenario_text& text, const std::string& directory,
                std::string& error) {
  return write_in(directory, line_source_name(model), text.line_source, error);
}

bool write_train_source(const scenario_model& model, const scenario_text& text, const std::string& directory,
                std::string& error) {
  return write_in(directory, train_source_name(model), text.train_source, error);
}

bool write_notes(const scenario_model& model, const scenario_text& text, const std::string& directory,
               std::string& error) {
  return write_in(directory, notes_name(model), text.notes, error);
}

bool write_slowdown_order(const scenario_model& model, const scenario_text& text, const std::string& directory,
                        std::string& error) {
  return write_in(directory, slowdown_order_name(model), text.slowdown_order, error);
}

bool write_train_card(const scenario_model& model, const scenario_text& text, const std::string& directory,
                 std::string& error) {
  return write_in(directory, train_card_name(model), text.train_card, error);
}

}  // namespace compila
