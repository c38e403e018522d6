// The platform interfaces of the build, kept in one small layer so that a
// native Windows build can give a real window and message box. This console
// build prints the window's label once on standard output and the message
// box's text on standard error.
#pragma once

#include <string>
#include <string_view>

namespace compila::platform {

// Shows the window with its label "Attendere", painted once.
void show_wait_window();

// Shows a message in a message box with only an OK button.
void show_message_box(std::string_view text);

// Writes one line of text on standard output. A Windows program with a
// window has no console of its own; started from one, it writes there.
void write_console_line(std::string_view text);

// The full path of the running program's own file, as the operating system
// reports it; empty when it cannot be found.
std::string program_path();

// The directory that holds the running program, as the operating system
// reports it (not the working directory); empty when it cannot be found.
std::string program_directory();

// Whether this is the Windows build: the one place the tree asks.
inline constexpr bool on_windows =
#ifdef _WIN32
    true;
#else
    false;
#endif

// The platform's own path separator; one is always put between the program
// directory and a file name, even after a directory that ends in one.
inline constexpr char path_separator = on_windows ? '\\' : '/';

inline std::string file_path(const std::string& directory, const std::string& name) {
  return directory + path_separator + name;
}

}  // namespace compila::platform
