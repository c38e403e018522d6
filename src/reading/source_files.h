// Where `compile_sources` finds its two source files: the program directory in
// a real build, memory in tests and fuzzing.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace compila {

class source_files {
 public:
  virtual ~source_files() = default;
  virtual bool exists(const std::string& name) const = 0;
  // The whole content of the file; false with the reason when it cannot be read.
  virtual bool read(const std::string& name, std::string& content, std::string& reason) = 0;
  // Deletes the file if it is there.
  virtual void remove(const std::string& name) = 0;
};

class directory_source_files final : public source_files {
 public:
  // `directory` is UTF-8 text, as the program directory is reported.
  explicit directory_source_files(const std::string& directory);
  bool exists(const std::string& name) const override;
  bool read(const std::string& name, std::string& content, std::string& reason) override;
  void remove(const std::string& name) override;

 private:
  std::filesystem::path directory_;
};

class memory_source_files final : public source_files {
 public:
  std::map<std::string, std::string> files;

  bool exists(const std::string& name) const override { return files.contains(name); }
  bool read(const std::string& name, std::string& content, std::string& reason) override;
  void remove(const std::string& name) override { files.erase(name); }
};

}  // namespace compila
