#include "model/diagnostics.h"

#include <algorithm>

#include "model/error_kinds.h"

namespace compila {

std::string printable(std::string_view text, std::size_t max_size) {
  std::string out;
  for (char c : text.substr(0, max_size)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  if (text.size() > max_size) out += "...";
  return out;
}

std::string file_location(std::string_view file, std::int32_t line) {
  std::string text(file);
  if (line > 0) text.append(":").append(std::to_string(line));
  return text;
}

std::string problem_line(const located_problem& problem) {
  return file_location(problem.file, problem.line) + ": " + problem.message;
}

std::string problem_lines(const std::vector<located_problem>& problems) {
  std::string lines;
  for (const located_problem& problem : problems) lines += problem_line(problem) + "\n";
  return lines;
}

const char* object_kind_name(std::uint8_t cell_type) {
  switch (cell_type) {
    case cell_kind::signal: return "signal";
    case cell_kind::slowdown_end: return "slowdown end";
    case cell_kind::slowdown_start: return "slowdown start";
    case cell_kind::warning_board: return "slowdown warning board";
    case cell_kind::countdown: return "slowdown countdown board";
    case cell_kind::speed_board: return "speed indicator board";
    case cell_kind::stopping_point: return "stopping point";
    case cell_kind::reduction_with_value:
    case cell_kind::reduction_without_value: return "reduction point";
    case cell_kind::signboard: return "signboard";
    default: return "object";
  }
}

std::string occupant_text(const scenario_model& model, std::int64_t cell) {
  if (cell < 0 || cell > model.cell_count || model.cells.empty()) return "it is taken";
  const std::string kind = object_kind_name(model.cells[static_cast<std::size_t>(cell)].cell_type);
  const auto& placed = model.placed_objects;
  const auto last =
      std::find_if(placed.rbegin(), placed.rend(), [&](const placed_object& p) { return p.cell == cell; });
  if (last == placed.rend()) return "it holds a " + kind;
  return "it holds the " + kind + " of " + file_location(last->folder_file, last->line);
}

std::string diagnostic_text(std::int32_t code, const diagnostic_site& site) {
  // A detail is the reader's own text about the bad field, so it may be long.
  constexpr std::size_t detail_size = 200;
  std::string text = "diagnostic " + std::to_string(code) + ": ";
  text += site.detail.empty() ? std::string(error_kinds::meaning(code)) : printable(site.detail, detail_size);
  if (!site.keyword.empty()) text += " (record \"" + printable(site.keyword) + "\")";
  return text;
}

std::string diagnostic_line(std::int32_t code, const diagnostic_site& site) {
  return problem_line({site.file, site.line, diagnostic_text(code, site)});
}

}  // namespace compila
