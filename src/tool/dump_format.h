// What `scenario_tool dump` shows of one binary file: the decoded records as
// aligned text or as a JSON object, field by field under the model's names.
// Kept apart from the command so that the fuzz target reaches it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "format/binary_reader.h"

namespace compila::tool {

// Every 100th metre of the plan by default: about 900 rows for an 82 km
// line, enough to follow its course.
inline constexpr std::size_t default_plan_step = 100;

struct dump_options {
  // Every cell, every item slot and every point of the plan. Otherwise a
  // cell is shown when something stands on it (any of cell_type to
  // approach_code nonzero), when the line under it (tunnel_kind, speed_limit,
  // gradient, adhesion) differs from the cell before, and cell 0 always; an
  // item slot is shown when any field is set; the plan shows every `step`th
  // point and its last.
  bool all = false;
  std::size_t step = default_plan_step;  // at least 1
  bool json = false;
};

// One file dumped: either `error` (where the file stops making sense; then
// nothing else is set), or the text or JSON object asked for, with `marker`
// set when the file lacks the format marker that every build stamps.
// The implicit moves are noexcept: clang-tidy 14 follows nlohmann::json's
// move constructor into its invariant check, which only asserts.
// NOLINTNEXTLINE(bugprone-exception-escape)
struct dumped_file {
  std::optional<decode_error> error;
  std::optional<decode_error> marker;
  std::string text;             // when !options.json: a title line, then the table
  nlohmann::ordered_json json;  // when options.json: {"file", "kind", "bytes", ...}
};

// Decodes `bytes` as a file of `kind` and shows it. `name` only enters the
// title line and the "file" member. Never throws on any bytes.
dumped_file dump_file(std::string_view name, std::span<const std::uint8_t> bytes, binary_file_kind kind,
                      const dump_options& options);

// A text of the simulator's code page (Windows-1252) made safe to print, in
// UTF-8: printable characters as they are, a backslash and a double quote
// escaped, a control character or a byte the code page leaves unassigned as
// \xNN.
std::string printable_text(std::string_view text);

}  // namespace compila::tool
