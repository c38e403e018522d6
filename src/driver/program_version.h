// The programs' version: the project's version number and, when the build
// knew it, the commit, as in "1.0.0 (commit 691b6bf00650)". Its definition
// is generated at build time (cmake/ProgramVersion.cmake), in the library
// compila_version that only the programs link.
#pragma once

#include <string_view>

namespace compila {

std::string_view program_version();

// Whether the command line is `--version` alone. The programs take no other
// argument and ignore any they are given, as they always have.
bool asks_for_version(int argc, char** argv);

// Writes "PROGRAM VERSION" on the console (platform::write_console_line);
// returns the status to end with.
int print_version(std::string_view program_name);

}  // namespace compila
