// Every file the programs read whole or piece by piece goes through here: a scenario folder's
// files, a program carrying a packed scenario, the binary files that dump and
// draw show, the sources a build reads back. One size limit keeps a stray
// huge file from being read into memory.
#pragma once

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <span>
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

// A file read piece by piece where it lies, for a file too large to hold
// whole at no need (the largest route's line data file). The same checks and
// errors as read_whole_file.
class file_pieces {
 public:
  [[nodiscard]] bool open(const std::string& path, file_read_error& error);
  std::uint64_t size() const { return size_; }
  // Bytes [offset, offset + into.size()); false with `error` when the file
  // no longer holds them or the system refuses.
  [[nodiscard]] bool read(std::uint64_t offset, std::span<std::uint8_t> into, file_read_error& error);

 private:
  std::string path_;
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

}  // namespace compila
