#include "scenario_in_memory.h"

#include <cstdio>
#include <cstdlib>

#include "model/diagnostics.h"

namespace compila::bench {
namespace {

// The folder's files from the map, named as they are keyed.
class files_in_memory : public scenario_file_source {
 public:
  explicit files_in_memory(const std::map<std::string, std::string>& files) : files_(files) {}
  std::string path(std::string_view name) const override { return std::string(name); }
  bool read(std::string_view name, std::string& bytes, located_problem& problem) const override {
    const auto file = files_.find(std::string(name));
    if (file == files_.end()) {
      problem = {std::string(name), 0, "missing scenario file"};
      return false;
    }
    bytes = file->second;
    return true;
  }

 private:
  const std::map<std::string, std::string>& files_;
};

}  // namespace

scenario_in_memory::scenario_in_memory(const std::map<std::string, std::string>& files) {
  std::vector<located_problem> problems;
  if (folder_.load(files_in_memory(files), problems)) return;
  std::fprintf(stderr, "scenario:\n%s", problem_lines(problems).c_str());
  std::exit(1);
}

}  // namespace compila::bench
