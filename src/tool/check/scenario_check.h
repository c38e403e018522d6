// The check of a scenario: its two sources read as a build reads them, but
// going on after every bad record, so that each diagnostic of the build is
// found in one run; errors for what the build would drop or store otherwise
// than written without a word; and warnings for what the build accepts
// silently but an author hardly ever means. Nothing is written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scenario_model.h"
#include "model/scenario_text.h"

namespace compila {

// The folder file a finding belongs to.
enum class source_file { line, train };  // linea.txt, treno.txt

enum class severity { error, warning };

struct check_finding {
  source_file file = source_file::line;
  std::int32_t line = 0;  // line of the folder file; 0 for the file as a whole
  std::string_view name;  // the finding's name; empty for a diagnostic of the build
  severity level = severity::error;
  std::string message;
  std::int32_t code = 0;  // a diagnostic's code, 1250 or 1251 for a refusal, 0 otherwise

  bool is_error() const { return level == severity::error; }
  bool operator==(const check_finding&) const = default;
};

// A kind of finding the check gives besides the build's own diagnostics.
// The errors are what a build would lose of what the author wrote; the
// warnings lose nothing, but are seldom meant.
struct finding_kind {
  std::string_view name;
  severity level;
  std::string_view summary;
};

// Every named finding of the check, by its stable name.
std::span<const finding_kind> check_finding_kinds();
const finding_kind* find_finding_kind(std::string_view name);

// Line n of a source as the build writes it out is line n of the folder
// file: each folder line is written as one line ended by CR LF, and a folder
// line holds no line end of its own.
constexpr std::int32_t folder_line(std::int32_t written_line) { return written_line; }

// Checks `scenario`; the findings in the order they were found.
std::vector<check_finding> check_scenario(const scenario_text& scenario);

// Where a finding points, as an editor takes it: "FOLDER/linea.txt:LINE"
// (without ":LINE" for the file as a whole).
std::string finding_location(const std::string& folder, const check_finding& finding);

// Sorts findings by file (line source first) and line, keeping the order
// found among equals, and drops repeated ones.
void order_findings(std::vector<check_finding>& findings);

}  // namespace compila
