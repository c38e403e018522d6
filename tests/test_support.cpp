#include "test_support.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <span>

#include "line_compiler/memorizza_dati.h"
#include "model/file_names.h"
#include "writers/scenario_text.h"

namespace compila::testing {
namespace {

std::string joined(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace

scenario_model named_model(std::int32_t with_plan) {
  scenario_model model;
  model.line_name = line_name;
  model.train_number = train_number;
  model.with_plan = with_plan;
  return model;
}

scenario_model compile_sources(const std::string& line_text, const std::string& train_text,
                               std::int32_t with_plan) {
  scenario_model model = named_model(with_plan);
  memory_source_files files;
  files.files[line_source_name(model)] = line_text;
  files.files[train_source_name(model)] = train_text;
  memorizza_dati(model, files);
  return model;
}

std::string line_source(const std::string& records, std::int32_t route_length) {
  return "[generale]\r\nlunghezza percorso,    " + std::to_string(route_length) + "\r\n[curve]\r\n" + records +
         "[fine]\r\n";
}

std::string train_source(const std::string& records) { return "[generale]\r\n" + records + "[fine]\r\n"; }

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

scratch_directory::scratch_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "compila_test_XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
}

scratch_directory::~scratch_directory() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::string embedded_line_source() { return joined(embedded_scenario().line_source); }
std::string embedded_train_source() { return joined(embedded_scenario().train_source); }

}  // namespace compila::testing
