// Helpers shared by the tests: scenario models built from source texts, and
// everything the tests must know about the platform they run on (program
// names, line ends, starting and stopping another program).
#pragma once

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/scenario_model.h"
#include "reading/source_files.h"
#include "reading/source_reading.h"

namespace compila::testing {

inline constexpr char line_name[] = "Corvalia_Brunasco-Alpestra";
inline constexpr char train_number[] = "40517";

// A model carrying the embedded scenario's names and with_plan set.
scenario_model named_model(bool with_plan = true);

// Runs compile_sources on the two texts (the train text may be left out)
// after clearing the items, as the build frame does.
scenario_model compiled_model(const std::string& line_text, const std::string& train_text = "", bool with_plan = true);

// Every record's shipped keyword matches its own test in `tests` and no other.
void expect_each_keyword_matches_only_its_own_test(std::span<const keyword_test> tests);

// A minimal line source: a general section with the route length, then the
// given record lines.
std::string line_source(const std::string& records, std::int32_t route_length = 82000);

// A train source: "[generale]" and the given record lines, then "[fine]".
std::string train_source(const std::string& records);

// The whole content of a file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
struct scratch_directory {
  std::filesystem::path path;
  scratch_directory();
  ~scratch_directory();
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// The embedded scenario's text files joined with CR LF, as written out.
std::string embedded_line_source();
std::string embedded_train_source();

// ---- Platform differences ----

#ifdef _WIN32
inline constexpr bool on_windows = true;
#else
inline constexpr bool on_windows = false;
#endif

// The file name of a program built from target `name`: "name.exe" on Windows.
std::string program_file_name(const std::string& name);

// What a scenario program prints on standard output while it works: the
// console build prints the label of its window, the Windows build shows the
// real window and prints nothing.
std::string wait_window_output();

// The result of a finished program: exit status (-1 when it did not end by
// itself) and its standard output and error, with CR LF read as LF.
struct process_result {
  int status = -1;
  std::string out, err;
};

// Runs `program` with `arguments` (passed as they are, no shell) in
// `working_directory` and waits for it; standard input is empty.
process_result run_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_directory);

// The same with standard input read from `input_file` (empty: none), and
// standard output and error as the program wrote them, byte for byte.
process_result run_process_with_input(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                      const std::filesystem::path& working_directory,
                                      const std::filesystem::path& input_file);

// The words of a command line written as a shell takes a simple one: words
// separated by blanks, '...' quoting a word that holds blanks. Lets a test
// write a tool's command line readably, the same on every platform.
std::vector<std::string> command_words(const std::string& line);

// Runs the command line `line` (its first word the program; a relative
// program is found from `working_directory`) as run_process does.
process_result run_command(const std::string& line, const std::filesystem::path& working_directory);

// Sets an environment variable for as long as it lives (programs started
// meanwhile inherit it), then puts back what was there.
class scoped_environment {
 public:
  scoped_environment(const std::string& name, const std::string& value);
  ~scoped_environment();
  scoped_environment(const scoped_environment&) = delete;
  scoped_environment& operator=(const scoped_environment&) = delete;

 private:
  std::string name_;
  bool had_value_ = false;
  std::string old_value_;
};

// A program started without waiting for it, which the test may kill.
class running_process {
 public:
  running_process(const std::filesystem::path& program, const std::filesystem::path& working_directory);
  ~running_process();
  running_process(const running_process&) = delete;
  running_process& operator=(const running_process&) = delete;
  bool started() const;
  // Ends the program at once, as a crash or a power cut would; true when it
  // was still running and ended killed.
  bool kill_and_wait();

 private:
  struct handle;
  std::unique_ptr<handle> handle_;
};

// Keeps a program from finishing the file at `path`: its writer stays stuck
// on that file until the stall is lifted. On POSIX the temporary file is a
// pipe nobody reads; on Windows the file itself is held open as the simulator
// holds its files, so the replace is refused and retried.
class file_stall {
 public:
  explicit file_stall(const std::filesystem::path& path);
  ~file_stall();
  file_stall(const file_stall&) = delete;
  file_stall& operator=(const file_stall&) = delete;
  bool active() const;

 private:
  struct handle;
  std::unique_ptr<handle> handle_;
};

}  // namespace compila::testing
