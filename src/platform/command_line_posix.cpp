#include "platform/command_line.h"

namespace compila::platform {

// The arguments reach the program as the bytes the shell passed, UTF-8 under
// any UTF-8 locale.
std::vector<std::string> utf8_command_line(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace compila::platform
