// Writing a file whole on POSIX systems: a piece away from the file's
// position goes to its offset with pwrite, rename replaces the old file in
// one step, and a program is made executable through its permission bits.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/file_replace.h"

namespace compila {

std::FILE* open_for_writing(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

// The line data file's two halves are written in turn, a piece of each: the
// pieces of the second half go to their offsets with pwrite, which leaves the
// file's position alone, so that neither half ever needs a seek (one lseek a
// piece cost the largest route some 300 system calls). A piece that follows
// the one before goes through write, which also works on a file that cannot
// seek.
bool write_at(std::FILE* file, std::uint64_t offset, std::span<const std::uint8_t> bytes, std::uint64_t& position) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max() - bytes.size())) {
    errno = EFBIG;
    return false;
  }
  const int descriptor = fileno(file);
  const bool in_place = offset == position;
  while (!bytes.empty()) {
    const ssize_t done = in_place ? write(descriptor, bytes.data(), bytes.size())
                                  : pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      if (done == 0) errno = EIO;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(done));
    offset += static_cast<std::uint64_t>(done);
    if (in_place) position = offset;
  }
  return true;
}

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
