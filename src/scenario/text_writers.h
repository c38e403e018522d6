// The writers of the five text files and what they share: the text-line
// table, closed by the end-of-list marker, and the writing steps that turn it
// into a file with CR LF after every line.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "model/scenario_files.h"
#include "model/scenario_model.h"
#include "model/scenario_text.h"

namespace compila {

inline constexpr std::string_view end_of_list_marker = "riferimento fine del file";
inline constexpr std::size_t text_table_slots = 1001;  // slots 0 to 1000

// One writer's lines, in file order, then the end-of-list marker.
class text_line_table {
 public:
  // False when the lines do not fit before the marker or one equals it.
  [[nodiscard]] bool fill(std::span<const std::string_view> lines);
  // The file's text: every slot before the marker followed by CR LF.
  std::string file_text() const;

 private:
  std::array<std::string, text_table_slots> slots_;
};

// Fills a table with `lines` and writes it as `path`, replacing any earlier
// file of that name; false with `error` naming the file and the reason.
[[nodiscard]] bool write_text_lines(const std::string& path, std::span<const std::string_view> lines,
                                    std::string& error);

// Writes one of the scenario's text files into `directory` under its output name.
[[nodiscard]] bool write_text_file(const scenario_file& file, const scenario_model& model, const scenario_text& text,
                                   const std::string& directory, std::string& error);
// Writes the five text files into `directory` in the table's order, stopping
// at the first that cannot be written.
[[nodiscard]] bool write_text_files(const scenario_model& model, const scenario_text& text,
                                    const std::string& directory, std::string& error);

}  // namespace compila
