// Helpers shared by the tests: scenario models built from source texts.
#pragma once

#include <filesystem>
#include <string>

#include "line_compiler/source_files.h"
#include "model/scenario_model.h"

namespace compila::testing {

inline constexpr char line_name[] = "Corvalia_Brunasco-Alpestra";
inline constexpr char train_number[] = "40517";

// A model carrying the embedded scenario's names and with_plan = 1.
scenario_model named_model(std::int32_t with_plan = 1);

// Runs memorizza_dati on the two texts (the train text may be left out)
// after clearing the items, as the build frame does.
scenario_model compile_sources(const std::string& line_text, const std::string& train_text = "",
                               std::int32_t with_plan = 1);

// A minimal line source: a general section with the route length, then the
// given record lines.
std::string line_source(const std::string& records, std::int32_t route_length = 82000);

// A train source: "[generale]" and the given record lines, then "[fine]".
std::string train_source(const std::string& records);

// The whole content of a file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
struct scratch_directory {
  std::filesystem::path path;
  scratch_directory();
  ~scratch_directory();
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// The embedded scenario's text files joined with CR LF, as written out.
std::string embedded_line_source();
std::string embedded_train_source();

}  // namespace compila::testing
