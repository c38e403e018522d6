// What the server tells an author about the records: for each record the
// reading knows (by its shipped keyword), the guide's one-line summary and
// its fields in file order, each with a short name, its unit and what it
// means. The one table of field names and units of the editor support; the
// keywords are the readers' own (tests hold the two, and the guide's
// headings, in step).
//
// It also splits one line of a source into its fields the way the field
// reader does, with the bytes each field covers, for hovers, signature help
// and symbols.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace compila::lsp {

// Where a record is read: the line source's general section, the line
// source's records, or the train source.
enum class record_part { general, line, train };

// How a position becomes a cell for this field; none for a field that is
// no position.
enum class cell_rule { none, same, next };  // p / 50, p / 50 + 1

struct field_info {
  std::string_view name;  // a short name: the snippet's placeholder
  std::string_view unit;  // "m", "km/h", "percent"; empty for a plain number
  std::string_view meaning;
  cell_rule cell = cell_rule::none;
  bool text = false;  // a text up to the comma or line end
};

struct record_info {
  std::string_view record;  // the readers' shipped keyword: "pendenza"
  record_part part;
  std::string_view summary;  // the guide's heading for it: "gradient"
  std::string_view written;  // the keyword as a snippet writes it ("curvad3" for "curva")
  std::span<const field_info> fields;
};

// Every record, the general ones first, then the line's, then the train's.
std::span<const record_info> record_infos();

// The record a keyword field opens, by the readers' own keyword tests:
// those of the line source (general section first) or of the train source.
const record_info* record_of_field(std::string_view field, bool train_source);

// One field of a line: bytes [begin, end) of the line.
struct field_span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// A line of a source as the reader takes it: the keyword field, then the
// record's fields (numbers end at a blank, texts at the comma or line end).
struct record_line {
  const record_info* record = nullptr;  // null for a comment or a line that opens no record
  field_span keyword;
  std::vector<field_span> fields;  // as many as the line holds
};

record_line split_record_line(std::string_view line, bool train_source);

// Each field's value as the field reader reads it from `line`: a number or
// a text, or nothing where the read fails (not a number, nothing left).
struct field_value {
  std::optional<std::int64_t> number;
  std::string text;
  bool read = false;
};
std::vector<field_value> read_field_values(std::string_view line, const record_info& record);

// A field's value in words: "9800 m = km 9.800, cell 197", "60 km/h", "VALLE".
std::string value_in_words(const field_info& field, const field_value& value);

// The keyword a misspelt keyword field most likely meant: the one of the
// file's records nearest to it (letters, ignoring case), when it is the only
// one at that distance and at most two edits away; empty otherwise.
std::string_view nearest_keyword(std::string_view field, bool train_source);

// The snippet a completion inserts: the keyword then a placeholder for each
// field, named after it.
std::string record_snippet(const record_info& record);

}  // namespace compila::lsp
