#include "plain_file_work.h"

#include <cstdio>
#include <cstring>

namespace compila::bench {
namespace {

constexpr std::size_t buffer_size = 64 * 1024;
unsigned char buffer[buffer_size];

std::string path_of(const std::string& directory, const std::string& name) { return directory + "/" + name; }

bool plain_read_and_delete(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::setvbuf(file, nullptr, _IONBF, 0);
  while (std::fread(buffer, 1, buffer_size, file) == buffer_size) {
  }
  const bool read = std::ferror(file) == 0;
  std::fclose(file);
  return read && std::remove(path.c_str()) == 0;
}

}  // namespace

bool plain_write(const std::string& directory, const plain_file& file) {
  const std::string path = path_of(directory, file.name);
  const std::string temporary = path + ".tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (out == nullptr) return false;
  std::setvbuf(out, nullptr, _IONBF, 0);
  bool written = true;
  for (std::size_t done = 0; written && done < file.bytes.size();) {
    const std::size_t size = file.bytes.size() - done < buffer_size ? file.bytes.size() - done : buffer_size;
    std::memcpy(buffer, file.bytes.data() + done, size);
    written = std::fwrite(buffer, 1, size, out) == size;
    done += size;
  }
  if (std::fclose(out) != 0 || !written) {
    std::remove(temporary.c_str());
    return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool plain_file_work(const std::string& directory, const plain_build_files& files) {
  for (const plain_file& file : files.text_files)
    if (!plain_write(directory, file)) return false;
  for (const std::string& name : files.source_names)
    if (!plain_read_and_delete(path_of(directory, name))) return false;
  for (const plain_file& file : files.binary_files)
    if (!plain_write(directory, file)) return false;
  return true;
}

}  // namespace compila::bench
