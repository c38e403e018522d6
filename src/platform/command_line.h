// The command line as UTF-8, the programs' text everywhere. On Windows the C
// runtime's argv is in the ANSI code page, which cannot hold every folder name
// (a user's folder in Cyrillic or Greek, say); the wide command line can.
#pragma once

#include <string>
#include <vector>

namespace compila::platform {

// The program's arguments, its own name first, as UTF-8; `argc` and `argv`
// as main received them.
std::vector<std::string> utf8_command_line(int argc, char** argv);

}  // namespace compila::platform
