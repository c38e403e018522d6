// The check of a scenario: its two sources read as a build reads them, but
// going on after every bad record, so that each diagnostic of the build is
// found in one run; and warnings for what the build accepts silently but an
// author hardly ever means. Nothing is written.
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

struct check_finding {
  source_file file = source_file::line;
  std::int32_t line = 0;     // line of the folder file; 0 for the file as a whole
  std::string_view warning;  // the warning's name; empty for an error
  std::string message;
  std::int32_t code = 0;  // an error's diagnostic code, 1250 or 1251 for a refusal, 0 for no track

  bool is_error() const { return warning.empty(); }
  bool operator==(const check_finding&) const = default;
};

struct warning_kind {
  std::string_view name;
  std::string_view summary;
};

// Every warning the check gives, by its stable name.
std::span<const warning_kind> check_warnings();

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
