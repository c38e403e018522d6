// The file work of a build done the plainest way, as a C program would: each
// output file streamed through one 64 KiB buffer into "<name>.tmp" and renamed
// over its name, the two sources read back through the same buffer and
// deleted. It is the floor the real build is measured against.
#pragma once

#include <string>
#include <vector>

namespace compila::bench {

struct plain_file {
  std::string name;
  std::string bytes;
};

// What a build writes and reads, in the order it does so.
struct plain_build_files {
  std::vector<plain_file> text_files;     // the two sources, then the three documents
  std::vector<std::string> source_names;  // read back and deleted
  std::vector<plain_file> binary_files;   // line data, train items, track
};

// Writes one file through the buffer with a temporary file and a rename;
// false when any step fails.
bool plain_write(const std::string& directory, const plain_file& file);

// The whole file work of a build into `directory`; false when a step fails.
bool plain_file_work(const std::string& directory, const plain_build_files& files);

}  // namespace compila::bench
