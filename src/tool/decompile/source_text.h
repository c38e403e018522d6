// The decompiled sources as an author writes them: sections under their
// headers, a comment line saying what each group is and where, records with
// their fields in aligned columns.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace compila::decompile {

struct source_record {
  std::string keyword;
  std::vector<std::string> values;
  std::string comment;        // a comment line above the record, or empty
  std::string note;           // a comment after the record's last value, or empty
  bool ends_in_text = false;  // the last value is a text (a name, a signboard's words)
};

struct source_section {
  std::string header;   // "[curve]"
  std::string comment;  // what the group is and where, or empty
  std::vector<source_record> records;
};

// The most lines a scenario folder's file may have.
inline constexpr std::size_t max_source_lines = 1000;

// The lines of a source file: each section's header, its comment and its
// records, then "[fine]", whose field the readers never interpret. Comments
// are one field each (no comma) and never more than two in a row, so that
// the readers skip them all. When the file would pass max_source_lines the
// comments are left out and then several records share a line.
std::vector<std::string> render_source(std::span<const source_section> sections);

// "km 12.400" for 12400 metres.
std::string km(std::int64_t position_m);

}  // namespace compila::decompile
