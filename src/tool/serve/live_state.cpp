#include "tool/serve/live_state.h"

#include "tool/serve/profile_hover.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "model/diagnostics.h"
#include "model/scenario_files.h"
#include "model/text_encoding.h"
#include "tool/check/scenario_check.h"
#include "tool/report/report_input.h"
#include "tool/report/report_page.h"

namespace compila::serve {
namespace {

// Line `number` (from 1) of a file's bytes, without its line end.
std::string line_of(const folder_files& files, std::string_view name, std::int32_t number) {
  const auto file = files.find(name);
  if (file == files.end() || number < 1) return {};
  std::string_view rest = file->second;
  for (std::int32_t n = 1; n < number; ++n) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return {};
    rest.remove_prefix(end + 1);
  }
  std::string_view line = rest.substr(0, rest.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  return std::string(line);
}

// Text for the page, which is UTF-8: a line already in UTF-8 stays, any
// other is read in the simulator's code page.
std::string page_text(const std::string& text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii || is_undeclared_utf8(text) ? text : windows_1252_to_utf8(text);
}

shown_finding shown(const folder_files& files, std::string_view file, std::int32_t line, bool error,
                    const std::string& message) {
  return {file_location(file, line), error, page_text(message), page_text(line_of(files, file, line))};
}

void add_folder_problems(const folder_files& files, const std::vector<located_problem>& problems,
                         folder_outcome& outcome) {
  for (const located_problem& p : problems) outcome.findings.push_back(shown(files, p.file, p.line, true, p.message));
  outcome.has_errors = outcome.has_errors || !problems.empty();
}

void add_check_findings(const folder_files& files, const scenario_folder& folder, folder_outcome& outcome) {
  for (const located_problem& line : folder.undeclared_utf8_lines())
    outcome.findings.push_back(shown(files, line.file, line.line, true, line.message + " [-Wutf8-undeclared]"));
  std::vector<check_finding> findings = check_scenario(folder.text());
  order_findings(findings);
  for (const check_finding& f : findings) {
    const std::string_view file = (f.file == source_file::line ? line_source_file : train_source_file).folder_name;
    const std::string named = f.name.empty() ? "" : " [-W" + std::string(f.name) + "]";
    outcome.findings.push_back(shown(files, file, f.line, f.is_error(), f.message + named));
  }
  for (const shown_finding& f : outcome.findings) outcome.has_errors = outcome.has_errors || f.error;
}

// The report page's style and body, to stand inside the live page.
std::string page_inside(const std::string& page) {
  const std::size_t style = page.find("<style>");
  const std::size_t style_end = page.find("</style>");
  const std::size_t body = page.find("<body>");
  const std::size_t body_end = page.rfind("</body>");
  if (style == std::string::npos || body == std::string::npos || body_end == std::string::npos) return page;
  return page.substr(style, style_end + 8 - style) + page.substr(body + 6, body_end - body - 6);
}

}  // namespace

folder_outcome examine_folder(const std::string& folder_name, const folder_files& files) {
  folder_outcome outcome;
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(memory_scenario_files(files), problems)) {
    add_folder_problems(files, problems, outcome);
    return outcome;
  }
  add_check_findings(files, folder, outcome);
  if (outcome.has_errors) return outcome;
  report::drawn_scenario drawn;
  std::string error;
  if (!report::build_drawn_scenario(folder_name, folder, drawn, error)) {
    outcome.findings.push_back({"", true, page_text(error), ""});
    outcome.has_errors = true;
    return outcome;
  }
  outcome.title = page_text(drawn.line_name()) + " \xe2\x80\x94 train " + page_text(drawn.train_number());
  outcome.drawing = page_inside(report::render_report(drawn));
  outcome.profile = profile_hover_json(drawn);
  return outcome;
}

void live_state::take(folder_outcome outcome) {
  ++view_.save;
  view_.findings = std::move(outcome.findings);
  view_.has_errors = outcome.has_errors;
  view_.stale = outcome.has_errors && !view_.drawing.empty();
  if (!outcome.has_errors) {
    view_.drawing = std::move(outcome.drawing);
    view_.title = std::move(outcome.title);
    view_.profile = std::move(outcome.profile);
  }
}

std::string view_json(const live_view& view) {
  nlohmann::json findings = nlohmann::json::array();
  for (const shown_finding& f : view.findings)
    findings.push_back({{"where", f.where}, {"error", f.error}, {"message", f.message}, {"line", f.line_text}});
  const nlohmann::json json{{"save", view.save},   {"findings", findings},    {"has_errors", view.has_errors},
                            {"title", view.title}, {"drawing", view.drawing}, {"stale", view.stale}};
  std::string text = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  // The profile's data is JSON already.
  text.pop_back();
  text += ",\"profile\":";
  text += view.profile.empty() ? std::string_view("null") : std::string_view(view.profile);
  text += '}';
  return text;
}

}  // namespace compila::serve
