#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <span>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "driver/compile_sources.h"
#include "model/file_names.h"
#include "model/scenario_text.h"
#include "platform/utf8_path.h"

namespace compila::testing {
namespace {

std::string joined(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace

scenario_model named_model(bool with_plan) {
  scenario_model model;
  model.line_name = line_name;
  model.train_number = train_number;
  model.with_plan = with_plan;
  return model;
}

scenario_model compiled_model(const std::string& line_text, const std::string& train_text, bool with_plan) {
  scenario_model model = named_model(with_plan);
  memory_source_files files;
  files.files[line_source_name(model)] = line_text;
  files.files[train_source_name(model)] = train_text;
  compile_sources(model, files);
  return model;
}

void expect_each_keyword_matches_only_its_own_test(std::span<const keyword_test> tests) {
  for (const keyword_test& test : tests)
    for (const keyword_test& other : tests)
      EXPECT_EQ(other.matches(test.record), &other == &test) << test.record << " / " << other.record;
}

std::string line_source(const std::string& records, std::int32_t route_length) {
  return "[generale]\r\nlunghezza percorso,    " + std::to_string(route_length) + "\r\n[curve]\r\n" + records +
         "[fine]\r\n";
}

std::string train_source(const std::string& records) { return "[generale]\r\n" + records + "[fine]\r\n"; }

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

scratch_directory::scratch_directory() {
  const std::filesystem::path top = std::filesystem::temp_directory_path();
  std::random_device seed;
  std::mt19937_64 random(seed() ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
    const std::filesystem::path candidate = top / ("compila_test_" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) path = candidate;
  }
}

scratch_directory::~scratch_directory() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::string embedded_line_source() { return joined(embedded_scenario().line_source); }
std::string embedded_train_source() { return joined(embedded_scenario().train_source); }

namespace {

std::string with_lf_line_ends(std::string text) {
#ifdef _WIN32
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
#else
  return text;
#endif
}

// A program that does not end by itself within this time is killed, so that a
// program waiting for something that never comes fails its test, not the run.
constexpr int program_patience_seconds = 120;

}  // namespace

#ifdef _WIN32

std::string program_file_name(const std::string& name) { return name + ".exe"; }
std::string wait_window_output() { return ""; }

namespace {

// One argument quoted so that the C runtime of the started program splits the
// command line back into the same arguments.
std::wstring quoted_argument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::wstring command_line(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  std::wstring line = quoted_argument(program.wstring());
  for (const std::string& argument : arguments) line += L" " + quoted_argument(utf8_path(argument).wstring());
  return line;
}

HANDLE inheritable_file(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the program; its standard handles are the given files (or none).
HANDLE start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
             const std::filesystem::path& working_directory, HANDLE input, HANDLE output, HANDLE error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  std::wstring line = command_line(program, arguments);
  const std::wstring directory = working_directory.wstring();
  if (!CreateProcessW(program.wstring().c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      directory.c_str(), &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

process_result run_process_with_input(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                      const std::filesystem::path& working_directory,
                                      const std::filesystem::path& input_file) {
  scratch_directory capture;
  const HANDLE input =
      inheritable_file(input_file.empty() ? std::filesystem::path(L"NUL") : input_file, GENERIC_READ, OPEN_EXISTING);
  const HANDLE output = inheritable_file(capture / "out", GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE error = inheritable_file(capture / "err", GENERIC_WRITE, CREATE_ALWAYS);
  process_result result;
  const HANDLE process = start(program, arguments, working_directory, input, output, error);
  for (HANDLE h : {input, output, error})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (process == nullptr) return result;
  if (WaitForSingleObject(process, program_patience_seconds * 1000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) result.status = int(code);
  } else {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
  }
  CloseHandle(process);
  result.out = read_file(capture / "out");
  result.err = read_file(capture / "err");
  return result;
}

struct running_process::handle {
  HANDLE process = nullptr;
};

running_process::running_process(const std::filesystem::path& program, const std::filesystem::path& working_directory)
    : handle_(std::make_unique<handle>()) {
  handle_->process = start(program, {}, working_directory, nullptr, nullptr, nullptr);
}

running_process::~running_process() {
  if (handle_->process == nullptr) return;
  TerminateProcess(handle_->process, 1);
  WaitForSingleObject(handle_->process, INFINITE);
  CloseHandle(handle_->process);
}

bool running_process::started() const { return handle_->process != nullptr; }

bool running_process::kill_and_wait() {
  if (handle_->process == nullptr) return false;
  const bool was_running = WaitForSingleObject(handle_->process, 0) == WAIT_TIMEOUT;
  constexpr UINT killed = 0xDEAD;
  TerminateProcess(handle_->process, killed);
  WaitForSingleObject(handle_->process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(handle_->process, &code);
  CloseHandle(handle_->process);
  handle_->process = nullptr;
  return was_running && code == killed;
}

struct file_stall::handle {
  HANDLE file = INVALID_HANDLE_VALUE;
};

// Open for reading and writing by others but not for deleting or renaming
// over, as a program that has the file open usually does.
file_stall::file_stall(const std::filesystem::path& path) : handle_(std::make_unique<handle>()) {
  handle_->file = CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

file_stall::~file_stall() {
  if (handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
}

bool file_stall::active() const { return handle_->file != INVALID_HANDLE_VALUE; }

#else

std::string program_file_name(const std::string& name) { return name; }
std::string wait_window_output() { return "Attendere\n"; }

namespace {

// Starts the program in `working_directory` with standard input from
// `input` (/dev/null when empty) and output and error into the given files
// (or inherited).
pid_t start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
            const std::filesystem::path& working_directory, const std::filesystem::path& output,
            const std::filesystem::path& error, const std::filesystem::path& input_file = {}) {
  const std::string input_path = input_file.empty() ? std::string("/dev/null") : input_file.string();
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // In the child: only async-signal-safe calls until exec.
  const int input = ::open(input_path.c_str(), O_RDONLY);
  if (input < 0 || ::dup2(input, 0) < 0) ::_exit(127);
  for (const auto& [path, fd] : {std::pair{&output, 1}, std::pair{&error, 2}}) {
    if (path->empty()) continue;
    const int file = ::open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0 || ::dup2(file, fd) < 0) ::_exit(127);
  }
  if (::chdir(working_directory.c_str()) != 0) ::_exit(127);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Waits for the child, killing it once `patience` has passed.
int wait_for(pid_t pid, std::chrono::seconds patience) {
  const auto give_up = std::chrono::steady_clock::now() + patience;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= give_up) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    ::usleep(10000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

process_result run_process_with_input(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                      const std::filesystem::path& working_directory,
                                      const std::filesystem::path& input_file) {
  scratch_directory capture;
  process_result result;
  const pid_t pid = start(program, arguments, working_directory, capture / "out", capture / "err", input_file);
  if (pid < 0) return result;
  result.status = wait_for(pid, std::chrono::seconds(program_patience_seconds));
  result.out = read_file(capture / "out");
  result.err = read_file(capture / "err");
  return result;
}

struct running_process::handle {
  pid_t pid = -1;
};

running_process::running_process(const std::filesystem::path& program, const std::filesystem::path& working_directory)
    : handle_(std::make_unique<handle>()) {
  handle_->pid = start(program, {}, working_directory, {}, {});
}

running_process::~running_process() {
  if (handle_->pid <= 0) return;
  ::kill(handle_->pid, SIGKILL);
  ::waitpid(handle_->pid, nullptr, 0);
}

bool running_process::started() const { return handle_->pid > 0; }

bool running_process::kill_and_wait() {
  if (handle_->pid <= 0) return false;
  ::kill(handle_->pid, SIGKILL);
  int status = 0;
  ::waitpid(handle_->pid, &status, 0);
  handle_->pid = -1;
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

struct file_stall::handle {
  bool made = false;
};

file_stall::file_stall(const std::filesystem::path& path) : handle_(std::make_unique<handle>()) {
  handle_->made = ::mkfifo((path.string() + ".tmp").c_str(), 0600) == 0;
}

file_stall::~file_stall() = default;

bool file_stall::active() const { return handle_->made; }

#endif

// Standard output and error with Windows line ends made plain, for comparing.
process_result run_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_directory) {
  process_result result = run_process_with_input(program, arguments, working_directory, {});
  result.out = with_lf_line_ends(result.out);
  result.err = with_lf_line_ends(result.err);
  return result;
}

std::vector<std::string> command_words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false, quoted = false;
  for (const char c : line) {
    if (c == '\'') {
      quoted = !quoted;
      in_word = true;
    } else if (c == ' ' && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

process_result run_command(const std::string& line, const std::filesystem::path& working_directory) {
  std::vector<std::string> words = command_words(line);
  if (words.empty()) return {};
  std::filesystem::path program = utf8_path(words.front());
  if (program.is_relative()) program = working_directory / program;
  words.erase(words.begin());
  return run_process(program, words, working_directory);
}

namespace {

void set_environment(const std::string& name, const std::string* value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value != nullptr ? value->c_str() : "");
#else
  if (value != nullptr) setenv(name.c_str(), value->c_str(), 1);
  else unsetenv(name.c_str());
#endif
}

}  // namespace

scoped_environment::scoped_environment(const std::string& name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name.c_str())) {
    had_value_ = true;
    old_value_ = old;
  }
  set_environment(name_, &value);
}

scoped_environment::~scoped_environment() { set_environment(name_, had_value_ ? &old_value_ : nullptr); }

}  // namespace compila::testing
