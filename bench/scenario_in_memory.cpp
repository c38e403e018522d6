#include "scenario_in_memory.h"

#include <cstdio>
#include <cstdlib>

#include "writers/scenario_folder.h"

namespace compila::bench {
namespace {

[[noreturn]] void give_up(const std::string& reason) {
  std::fprintf(stderr, "scenario: %s\n", reason.c_str());
  std::exit(1);
}

std::string value_after(const std::string& names, const std::string& key) {
  const std::size_t at = names.find(key + "=");
  if (at == std::string::npos) give_up("scenario.txt has no " + key);
  const std::size_t start = at + key.size() + 1;
  return names.substr(start, names.find('\n', start) - start);
}

}  // namespace

scenario_in_memory::scenario_in_memory(const std::map<std::string, std::string>& files) {
  const std::string& names = files.at(std::string(scenario_names_file));
  line_name_ = value_after(names, "line_name");
  train_number_ = value_after(names, "train_number");
  for (std::size_t i = 0; i < scenario_text_files.size(); ++i) {
    const std::string name(scenario_text_files[i]);
    std::string error;
    if (!split_scenario_lines(name, files.at(name), lines_[i], error)) give_up(error);
    views_[i].assign(lines_[i].begin(), lines_[i].end());
  }
  text_ = {line_name_, train_number_, views_[0], views_[1], views_[2], views_[3], views_[4]};
}

}  // namespace compila::bench
