// The parts of writing a file whole that differ between systems, behind one
// interface for file_writer.cpp: file_writer_posix.cpp on POSIX systems,
// file_writer_win32.cpp on Windows, chosen in this folder's CMakeLists.txt.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace compila {

// Opens `path` (UTF-8) for binary output, creating it empty; errno says why not.
std::FILE* open_for_writing(const std::string& path);

// Writes all of `bytes` at `offset` of `file`, opened by open_for_writing and
// unbuffered; `position` is the file's own position, kept up to date. False
// with errno saying why when it cannot.
bool write_at(std::FILE* file, std::uint64_t offset, std::span<const std::uint8_t> bytes, std::uint64_t& position);

// Puts the complete temporary file in the place of `path`. False with `error`
// naming `path` and the reason when it cannot; the old file is then as it was
// and the temporary file is gone.
bool replace_file(const std::string& temporary, const std::string& path, std::string& error);

// Gives the temporary file execute permission wherever read permission is
// given. False with `error` naming `path` when it cannot; the temporary file is
// then gone.
bool make_executable(const std::string& temporary, const std::string& path, std::string& error);

// Shared by file_writer.cpp and both systems' files.
// Sets `error` to "cannot write PATH: ACTION: REASON"; always false.
bool report_write_error(std::string& error, const std::string& path, const char* action, const std::string& reason);
// Removes the file if it is there, ignoring any failure.
void remove_file(const std::string& path);

}  // namespace compila
