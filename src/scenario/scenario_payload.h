// A scenario packed into a program: the six files of a scenario folder
// appended to the prebuilt program compila_runner, which finds them at the end
// of its own file and builds them as compila_scenario would.
//
//   program file = runner bytes, payload, trailer
//   payload      = for each file, in the order scenario.txt, linea.txt,
//                  treno.txt, note.txt, rallentamenti.txt, scheda_treno.txt:
//                  its byte count (unsigned 64-bit), then its bytes (each line
//                  ended by LF)
//   trailer      = payload byte count (unsigned 64-bit), CRC-32 of the payload
//                  (unsigned 32-bit), the mark "SCENPAK1"
//
// All numbers little-endian. The payload is read back through the folder
// loader, so a packed scenario obeys exactly the rules of an embedded one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scenario/scenario_folder.h"

namespace compila {

inline constexpr std::string_view payload_mark = "SCENPAK1";
inline constexpr std::size_t payload_trailer_size = 8 + 4 + payload_mark.size();

// CRC-32 (the polynomial of zip and PNG) of `bytes`.
std::uint32_t crc32(std::string_view bytes);

// The payload of a loaded folder: its names and lines, as six files.
std::string encode_scenario_payload(const scenario_folder& folder);

// `runner` with `payload` and its trailer appended.
std::string packed_program(std::string_view runner, std::string_view payload);

// What the end of a program file holds.
struct payload_search {
  enum class kind {
    found,   // `payload` is the appended payload, its length and CRC-32 sound
    absent,  // the file does not end in the mark: nothing is appended
    damaged  // the mark is there but the trailer or the payload is broken
  };
  kind result = kind::absent;
  std::string_view payload;  // a view into the searched bytes
  std::string problem;       // what is wrong, for absent and damaged
};
payload_search find_payload(std::string_view program);

// Reads the scenario of a payload through the folder rules; `label` names
// the payload's files in reports ("LABEL (packed linea.txt):3: ..."). False
// with `error` when the payload's layout or a folder rule is broken.
[[nodiscard]] bool decode_scenario_payload(std::string_view payload, const std::string& label, scenario_folder& folder,
                                           std::string& error);

// Reads the program file at `program_path` (UTF-8) and the scenario appended
// to it. `packed_size` is the size pack gave the whole program
// (scenario/packed_size.h), 0 for a bare runner. False with `error` ("PATH:
// what is wrong") when the file cannot be read, carries no scenario, has lost
// its end or carries a damaged one.
[[nodiscard]] bool load_packed_scenario(const std::string& program_path, std::uint64_t packed_size,
                                        scenario_folder& folder, std::string& error);

}  // namespace compila
