#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace compila::platform {

void show_wait_window() {
  std::fputs("Attendere\n", stdout);
  std::fflush(stdout);
}

void show_message_box(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void write_console_line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string program_path() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return executable.string();
}

std::string program_directory() {
  const std::string executable = program_path();
  if (executable.empty()) return {};
  return std::filesystem::path(executable).parent_path().string();
}

}  // namespace compila::platform
