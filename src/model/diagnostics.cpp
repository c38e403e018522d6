#include "model/diagnostics.h"

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
