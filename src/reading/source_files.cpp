#include "reading/source_files.h"

#include <system_error>

#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"

namespace compila {

directory_source_files::directory_source_files(const std::string& directory) : directory_(utf8_path(directory)) {}

bool directory_source_files::exists(const std::string& name) const {
  std::error_code error;
  return std::filesystem::is_regular_file(directory_ / utf8_path(name), error);
}

bool directory_source_files::read(const std::string& name, std::string& content, std::string& reason) {
  file_read_error error;
  if (read_whole_file(utf8_text(directory_ / utf8_path(name)), content, error)) return true;
  reason = error.reason;
  return false;
}

void directory_source_files::remove(const std::string& name) {
  std::error_code ignored;  // a file that is already gone needs no deleting
  std::filesystem::remove(directory_ / utf8_path(name), ignored);
}

bool memory_source_files::read(const std::string& name, std::string& content, std::string& reason) {
  const auto found = files.find(name);
  if (found == files.end()) {
    reason = "no such file";
    return false;
  }
  content = found->second;
  return true;
}

}  // namespace compila
