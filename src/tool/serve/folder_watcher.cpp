#include "tool/serve/folder_watcher.h"

#include "model/scenario_files.h"
#include "platform/platform.h"
#include "platform/read_whole_file.h"

namespace compila::serve {

folder_files read_folder_files(const std::string& folder) {
  folder_files files;
  const auto read_one = [&](std::string_view name) {
    std::string bytes, error;
    if (read_whole_file(platform::file_path(folder, std::string(name)), bytes, error))
      files.emplace(std::string(name), std::move(bytes));
  };
  read_one(scenario_names_file);
  for (const scenario_file& file : scenario_files) read_one(file.folder_name);
  return files;
}

bool folder_watcher::poll() {
  folder_files now = read_folder_files(folder_);
  if (read_once_ && now == files_) return false;
  files_ = std::move(now);
  read_once_ = true;
  return true;
}

}  // namespace compila::serve
