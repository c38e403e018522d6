#include <string>
#include <string_view>

#include "driver/program_version.h"
#include "platform/platform.h"

namespace compila {

bool asks_for_version(int argc, char** argv) { return argc == 2 && std::string_view(argv[1]) == "--version"; }

int print_version(std::string_view program_name) {
  std::string line(program_name);
  line += ' ';
  line += program_version();
  platform::write_console_line(line);
  return 0;
}

}  // namespace compila
