#include "tool/decompile/source_text.h"

#include <algorithm>

namespace compila::decompile {
namespace {

// A comment is one field that holds "-": no comma, no line end.
std::string comment_line(const std::string& text) {
  std::string line = "-- " + text;
  std::replace(line.begin(), line.end(), ',', ';');
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

struct layout {
  bool comments = true;
  std::size_t records_per_line = 1;
};

// Column widths of a section, so that its values line up.
struct columns {
  std::size_t keyword = 0;
  std::vector<std::size_t> values;
};

columns measure(const source_section& section) {
  columns widths;
  for (const source_record& record : section.records) {
    widths.keyword = std::max(widths.keyword, record.keyword.size());
    if (widths.values.size() < record.values.size()) widths.values.resize(record.values.size());
    for (std::size_t v = 0; v < record.values.size(); ++v) {
      const bool text = record.ends_in_text && v + 1 == record.values.size();
      if (!text) widths.values[v] = std::max(widths.values[v], record.values[v].size());
    }
  }
  return widths;
}

// One record; its numbers right-aligned in the section's columns. The
// readers pass over blanks before a field, so the padding changes nothing.
std::string record_text(const source_record& record, const columns& widths, bool aligned) {
  std::string line = record.keyword + ",";
  if (aligned) line.append(widths.keyword - record.keyword.size(), ' ');
  for (std::size_t v = 0; v < record.values.size(); ++v) {
    const std::string& value = record.values[v];
    const bool text = record.ends_in_text && v + 1 == record.values.size();
    line += ' ';
    if (aligned && !text && value.size() < widths.values[v]) line.append(widths.values[v] - value.size(), ' ');
    line += value;
    if (v + 1 < record.values.size()) line += ',';
  }
  return line;
}

std::vector<std::string> lay_out(std::span<const source_section> sections, const layout& how) {
  std::vector<std::string> lines;
  const bool aligned = how.records_per_line == 1;
  for (const source_section& section : sections) {
    lines.push_back(section.header);
    if (how.comments && !section.comment.empty()) lines.push_back(comment_line(section.comment));
    const columns widths = measure(section);
    std::string joined;
    std::size_t on_line = 0;
    for (const source_record& record : section.records) {
      if (how.comments && !record.comment.empty()) lines.push_back(comment_line(record.comment));
      std::string text = record_text(record, widths, aligned);
      if (how.comments && !record.note.empty()) text += ", " + comment_line(record.note);
      if (how.records_per_line == 1) {
        lines.push_back(std::move(text));
        continue;
      }
      joined += (on_line == 0 ? "" : ", ") + text;
      if (++on_line == how.records_per_line) {
        lines.push_back(std::move(joined));
        joined.clear();
        on_line = 0;
      }
    }
    if (on_line > 0) lines.push_back(std::move(joined));
  }
  lines.emplace_back("[fine]");
  return lines;
}

}  // namespace

std::vector<std::string> render_source(std::span<const source_section> sections) {
  std::vector<std::string> lines = lay_out(sections, {});
  if (lines.size() <= max_source_lines) return lines;
  // Too long for a folder's file: no comments, then more records a line.
  for (std::size_t per_line = 1; per_line <= 64; per_line *= 2) {
    lines = lay_out(sections, {false, per_line});
    if (lines.size() <= max_source_lines) return lines;
  }
  return lines;
}

std::string km(std::int64_t position_m) {
  const std::int64_t magnitude = position_m < 0 ? -position_m : position_m;
  std::string metres = std::to_string(magnitude % 1000);
  metres.insert(0, 3 - metres.size(), '0');
  return std::string("km ") + (position_m < 0 ? "-" : "") + std::to_string(magnitude / 1000) + "." + metres;
}

}  // namespace compila::decompile
