#include "scenario/scenario_payload.h"

#include <array>
#include <cstdio>
#include <span>
#include <vector>

#include "format/little_endian.h"
#include "platform/read_whole_file.h"

namespace compila {
namespace {

constexpr std::array<std::uint32_t, 256> crc_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xedb88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

template <typename Unsigned>
void put_le(std::string& out, Unsigned value) {
  std::array<std::uint8_t, sizeof value> bytes;
  little_endian::store(bytes.data(), value);
  out.append(bytes.begin(), bytes.end());
}

template <typename Unsigned>
Unsigned get_le(std::string_view bytes, std::size_t at) {
  return little_endian::load<Unsigned>(reinterpret_cast<const std::uint8_t*>(bytes.data() + at));
}

std::string lines_text(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\n");
  return text;
}

std::string hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

// Each file's byte count is as wide as the payload's own, so no file is too long.
using file_size = std::uint64_t;
constexpr std::size_t file_size_bytes = sizeof(file_size);

// The six files of a payload, in their fixed order.
constexpr std::size_t payload_files = 1 + scenario_files.size();

std::string_view payload_file_name(std::size_t index) {
  return index == 0 ? scenario_names_file : scenario_files[index - 1].folder_name;
}

// The payload's files as a source for the folder loader.
class payload_source : public scenario_file_source {
 public:
  payload_source(const std::string& label, const std::array<std::string_view, payload_files>& files)
      : label_(label), files_(files) {}
  std::string path(std::string_view name) const override { return label_ + " (packed " + std::string(name) + ")"; }
  bool read(std::string_view name, std::string& bytes, located_problem& problem) const override {
    for (std::size_t f = 0; f < payload_files; ++f) {
      if (payload_file_name(f) != name) continue;
      bytes.assign(files_[f]);
      return true;
    }
    problem = {path(name), 0, "not in the packed scenario"};
    return false;
  }

 private:
  std::string label_;
  std::array<std::string_view, payload_files> files_;
};

}  // namespace

std::uint32_t crc32(std::string_view bytes) {
  static constexpr std::array<std::uint32_t, 256> table = crc_table();
  std::uint32_t c = 0xffffffffu;
  for (char byte : bytes) c = table[(c ^ static_cast<unsigned char>(byte)) & 0xff] ^ (c >> 8);
  return c ^ 0xffffffffu;
}

std::string encode_scenario_payload(const scenario_folder& folder) {
  const scenario_text& text = folder.text();
  std::string payload;
  const auto append_file = [&payload](const std::string& file) {
    put_le(payload, file_size{file.size()});
    payload += file;
  };
  // The lines are Windows-1252 already when the folder declared an encoding.
  const text_encoding encoding =
      folder.encoding() == text_encoding::undeclared ? text_encoding::undeclared : text_encoding::windows_1252;
  append_file(scenario_names_text(text.line_name, text.train_number, encoding));
  for (const scenario_file& file : scenario_files) append_file(lines_text(text.*file.lines));
  return payload;
}

std::string packed_program(std::string_view runner, std::string_view payload) {
  std::string program;
  program.reserve(runner.size() + payload.size() + payload_trailer_size);
  program.append(runner).append(payload);
  put_le(program, std::uint64_t{payload.size()});
  put_le(program, crc32(payload));
  program.append(payload_mark);
  return program;
}

payload_search find_payload(std::string_view program) {
  payload_search search;
  if (program.size() < payload_trailer_size || program.substr(program.size() - payload_mark.size()) != payload_mark) {
    search.problem = "no scenario is appended to this program";
    return search;
  }
  search.result = payload_search::kind::damaged;
  const std::size_t trailer = program.size() - payload_trailer_size;
  const auto length = get_le<std::uint64_t>(program, trailer);
  if (length > trailer) {
    search.problem = "the appended scenario is damaged: its trailer gives " + std::to_string(length) +
                     " bytes, but only " + std::to_string(trailer) + " precede it";
    return search;
  }
  const std::string_view payload = program.substr(trailer - length, length);
  const auto stored = get_le<std::uint32_t>(program, trailer + 8);
  const std::uint32_t computed = crc32(payload);
  if (stored != computed) {
    search.problem = "the appended scenario is damaged: its CRC-32 should be " + hex32(stored) + ", its " +
                     std::to_string(length) + " bytes give " + hex32(computed);
    return search;
  }
  search.result = payload_search::kind::found;
  search.payload = payload;
  return search;
}

namespace {

std::string damaged(const std::string& label, const std::string& what) {
  std::string message = label;
  message += ": the appended scenario is damaged: ";
  message += what;
  return message;
}

}  // namespace

bool decode_scenario_payload(std::string_view payload, const std::string& label, scenario_folder& folder,
                             std::string& error) {
  std::array<std::string_view, payload_files> files;
  std::size_t at = 0;
  for (std::size_t f = 0; f < payload_files; ++f) {
    const std::string name(payload_file_name(f));
    if (payload.size() - at < file_size_bytes) {
      error = damaged(label, "it ends before the size of " + name);
      return false;
    }
    const auto size = get_le<file_size>(payload, at);
    at += file_size_bytes;
    if (size > payload.size() - at) {
      error = damaged(label, name + " should hold " + std::to_string(size) + " bytes, only " +
                                 std::to_string(payload.size() - at) + " remain");
      return false;
    }
    files[f] = payload.substr(at, size);
    at += size;
  }
  if (at != payload.size()) {
    error = damaged(label, std::to_string(payload.size() - at) + " bytes follow its six files");
    return false;
  }
  std::vector<located_problem> problems;
  if (folder.load(payload_source(label, files), problems)) return true;
  error = problem_lines(problems);
  error.pop_back();  // the caller ends the message
  return false;
}

namespace {

// What is wrong with a program file whose size differs from the one it was
// packed with, or empty when the sizes agree.
std::string size_problem(std::uint64_t file_size, std::uint64_t packed_size) {
  if (packed_size == 0)
    return "no scenario is appended to this program (make one with: scenario_tool pack FOLDER -o PROGRAM)";
  if (file_size < packed_size)
    return "the program is cut short: it holds " + std::to_string(file_size) + " of the " +
           std::to_string(packed_size) + " bytes it was packed with; copy the whole program again";
  if (file_size > packed_size)
    return "the appended scenario is damaged: " + std::to_string(file_size - packed_size) +
           " bytes follow the end it was packed with";
  return {};
}

}  // namespace

bool load_packed_scenario(const std::string& program_path, std::uint64_t packed_size, scenario_folder& folder,
                          std::string& error) {
  std::string program;
  if (!read_whole_file(program_path, program, error)) return false;
  if (const std::string problem = size_problem(program.size(), packed_size); !problem.empty()) {
    error = program_path + ": " + problem;
    return false;
  }
  const payload_search search = find_payload(program);
  if (search.result == payload_search::kind::absent) {
    error = damaged(program_path, "its trailer's mark \"" + std::string(payload_mark) + "\" is missing");
    return false;
  }
  if (search.result == payload_search::kind::damaged) {
    error = program_path + ": " + search.problem;
    return false;
  }
  return decode_scenario_payload(search.payload, program_path, folder, error);
}

}  // namespace compila
