// How a problem is told to the author, in one place for the program, the
// scenario tool's build and check, and the folder reader: "FILE:LINE: what"
// (without ":LINE" for a file as a whole), and a recorded diagnostic as
// "diagnostic 15: ... (record "pendenza")".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/scenario_model.h"

namespace compila {

// A problem found in a file: the file as the author names it, the line (0
// for the file as a whole) and what is wrong.
struct located_problem {
  std::string file;
  std::int32_t line = 0;
  std::string message;

  bool operator==(const located_problem&) const = default;
};

// Text taken from a source file, safe to print whatever bytes it held: every
// control character becomes '?', and past `max_size` bytes it is cut and
// ends in "...".
std::string printable(std::string_view text, std::size_t max_size = 40);

// "FILE:LINE", or "FILE" when `line` is 0.
std::string file_location(std::string_view file, std::int32_t line);

// "FILE:LINE: message" (or "FILE: message").
std::string problem_line(const located_problem& problem);
// The problems' lines, each ended by a line feed.
std::string problem_lines(const std::vector<located_problem>& problems);

// What an object on a cell is, in words: "signal", "speed indicator board", ...
const char* object_kind_name(std::uint8_t cell_type);

// What stands on a cell that is not free, for a record that wanted it:
// "it holds the signal of treno.txt:14" (or "it holds a reduction point" for
// an object no record placed).
std::string occupant_text(const scenario_model& model, std::int64_t cell);

// What a recorded diagnostic says: "diagnostic CODE: " then the detail the
// reader gave or else the code's meaning, then ` (record "KEYWORD")` when a
// record was being read.
std::string diagnostic_text(std::int32_t code, const diagnostic_site& site);

// The diagnostic at the file and line where it arose: "FILE:LINE: diagnostic 15: ...".
std::string diagnostic_line(std::int32_t code, const diagnostic_site& site);

}  // namespace compila
