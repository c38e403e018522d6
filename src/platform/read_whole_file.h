// Every file the programs read whole goes through here: a scenario folder's
// files, a program carrying a packed scenario, the binary files that dump and
// draw show, the sources a build reads back. One size limit keeps a stray
// huge file from being read into memory.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace compila {

// Well above the largest file a build writes (the line data file of a
// 1,000,000 m route, about 20 MB) and a program carrying a scenario.
inline constexpr std::uintmax_t largest_readable_file = 64u << 20;

struct file_read_error {
  enum class kind {
    missing,    // no file of that name
    directory,  // a folder, not a file
    too_large,  // above largest_readable_file
    failed      // the system refused to open or read it
  };
  std::string path;
  kind what = kind::failed;
  std::string reason;  // the reason alone, e.g. "it is a directory"

  // "PATH: cannot read: REASON".
  std::string message() const { return path + ": cannot read: " + reason; }
};

// The whole content of the file at `path` (UTF-8 text); false with `error`
// naming the file and the reason.
[[nodiscard]] bool read_whole_file(const std::string& path, std::string& bytes, file_read_error& error);
[[nodiscard]] bool read_whole_file(const std::string& path, std::vector<std::uint8_t>& bytes, file_read_error& error);
// Opens the file at `path` (binary) for a caller that reads it piece by
// piece, after the same checks and with the same errors as read_whole_file.
[[nodiscard]] bool open_file_to_read(const std::string& path, std::ifstream& in, file_read_error& error);
// The same with the error as its message.
[[nodiscard]] bool read_whole_file(const std::string& path, std::string& bytes, std::string& error);

}  // namespace compila
