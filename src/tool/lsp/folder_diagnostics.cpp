#include "tool/lsp/folder_diagnostics.h"

#include <array>
#include <memory>

#include "model/diagnostics.h"
#include "model/scenario_files.h"
#include "model/text_encoding.h"
#include "platform/read_whole_file.h"
#include "scenario/scenario_folder.h"
#include "tool/check/scenario_check.h"

namespace compila::lsp {
namespace {

using open_texts = std::map<std::string, std::string, std::less<>>;

// The folder's files: the editor's text where a file is open, else the disk.
class editor_folder_files final : public scenario_file_source {
 public:
  editor_folder_files(const std::string& folder, const open_texts& texts) : folder_(folder), texts_(texts) {}
  std::string path(std::string_view name) const override { return folder_file_path(folder_, name); }
  [[nodiscard]] bool read(std::string_view name, std::string& bytes, located_problem& problem) const override {
    if (const auto open = texts_.find(name); open != texts_.end()) {
      if (open->second.size() > largest_readable_file) {
        problem = {path(name), 0,
                   "cannot read: the editor's text is above the size limit of " +
                       std::to_string(largest_readable_file >> 20) + " MB"};
        return false;
      }
      bytes = open->second;
      return true;
    }
    file_read_error error;
    if (read_whole_file(path(name), bytes, error)) return true;
    problem = {path(name), 0, "cannot read: " + error.reason};
    return false;
  }

 private:
  const std::string& folder_;
  const open_texts& texts_;
};

// The names of the folder's six files.
std::array<std::string_view, scenario_files.size() + 1> folder_file_names() {
  std::array<std::string_view, scenario_files.size() + 1> names{scenario_names_file};
  for (std::size_t i = 0; i < scenario_files.size(); ++i) names[i + 1] = scenario_files[i].folder_name;
  return names;
}

// The file name a problem's path stands for; empty for none of the six.
std::string_view name_of(const editor_folder_files& files, const std::string& path) {
  for (const std::string_view name : folder_file_names())
    if (files.path(name) == path) return name;
  return {};
}

std::string first_quoted(std::string_view message) {
  const std::size_t open = message.find('"');
  const std::size_t close = open == std::string_view::npos ? open : message.find('"', open + 1);
  return close == std::string_view::npos ? std::string() : std::string(message.substr(open + 1, close - open - 1));
}

// The editor's texts as the folder's files hold them: under a declared
// Windows-1252 the UTF-8 text goes back to the code page (where it can).
open_texts in_folder_encoding(const open_texts& texts) {
  open_texts converted;
  for (const auto& [name, text] : texts) {
    std::string bytes;
    transcoding_failure failure;
    converted[name] = utf8_to_windows_1252(text, bytes, failure) ? bytes : text;
  }
  return converted;
}

void add_located(findings_by_file& found, const editor_folder_files& files, const open_texts& texts,
                 const located_problem& problem, std::string code) {
  const std::string_view name = name_of(files, problem.file);
  folder_finding finding{problem.line, true, std::move(code), problem.message, first_quoted(problem.message)};
  if (texts.contains(name)) {
    found[std::string(name)].push_back(finding);
    return;
  }
  // A file not open (missing, say): every open file of the folder shows it.
  finding.line = 0;
  finding.message =
      file_location(name.empty() ? std::string_view(problem.file) : name, problem.line) + ": " + problem.message;
  for (const auto& [open_name, text] : texts) found[open_name].push_back(finding);
}

}  // namespace

findings_by_file check_folder(const std::string& folder, const open_texts& texts) {
  findings_by_file found;
  for (const auto& [name, text] : texts) found[name];
  auto folder_data = std::make_unique<scenario_folder>();
  std::vector<located_problem> problems;
  editor_folder_files files(folder, texts);
  bool loaded = folder_data->load(files, problems);
  if (loaded && folder_data->encoding() == text_encoding::windows_1252) {
    const open_texts converted = in_folder_encoding(texts);
    if (converted != texts) {
      folder_data = std::make_unique<scenario_folder>();
      problems.clear();
      loaded = folder_data->load(editor_folder_files(folder, converted), problems);
    }
  }
  if (!loaded) {
    for (const located_problem& problem : problems) add_located(found, files, texts, problem, "");
    return found;
  }
  for (const located_problem& line : folder_data->undeclared_utf8_lines())
    add_located(found, files, texts, line, "utf8-undeclared");
  std::vector<check_finding> findings = check_scenario(folder_data->text());
  order_findings(findings);
  for (check_finding& f : findings) {
    if (folder_data->encoding() != text_encoding::undeclared) f.message = windows_1252_to_utf8(f.message);
    const std::string name(f.file == source_file::line ? line_source_file.folder_name : train_source_file.folder_name);
    if (!texts.contains(name)) continue;  // a file not open: shown when it is opened
    found[name].push_back({folder_line(f.line), f.is_error(),
                           f.name.empty() ? "diagnostic " + std::to_string(f.code) : std::string(f.name), f.message,
                           first_quoted(f.message)});
  }
  return found;
}

}  // namespace compila::lsp
