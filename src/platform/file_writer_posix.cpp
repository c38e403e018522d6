// Writing a file whole on POSIX systems: rename replaces the old file in one
// step, and a program is made executable through its permission bits.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_replace.h"

namespace compila {

std::FILE* open_for_writing(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

bool replace_file(const std::string& temporary, const std::string& path, std::string& error) {
  std::error_code renamed;
  std::filesystem::rename(temporary, path, renamed);
  if (!renamed) return true;
  remove_file(temporary);
  return report_write_error(error, path, "replace", std::strerror(renamed.value()));
}

bool make_executable(const std::string& temporary, const std::string& path, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code code;
  const fs::perms granted = fs::status(temporary, code).permissions();
  fs::perms execute = fs::perms::none;
  if ((granted & fs::perms::owner_read) != fs::perms::none) execute |= fs::perms::owner_exec;
  if ((granted & fs::perms::group_read) != fs::perms::none) execute |= fs::perms::group_exec;
  if ((granted & fs::perms::others_read) != fs::perms::none) execute |= fs::perms::others_exec;
  if (!code) fs::permissions(temporary, execute, fs::perm_options::add, code);
  if (!code) return true;
  remove_file(temporary);
  return report_write_error(error, path, "make executable", code.message());
}

}  // namespace compila
