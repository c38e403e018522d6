// The packed-scenario format: a folder survives packing line for line, and
// every damaged or missing payload is told apart and explained.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_writer.h"
#include "scenario/packed_size.h"
#include "scenario/scenario_payload.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::find_payload;
using compila::payload_search;
using compila::scenario_folder;
using compila::testing::scratch_directory;

void write(const fs::path& path, const std::string& text) {
  std::string error;
  ASSERT_TRUE(compila::write_whole_file(path.string(), text, error)) << error;
}

// A folder whose files use both line ends, blank lines and trailing blanks.
void write_folder(const fs::path& folder) {
  fs::create_directories(folder);
  write(folder / "scenario.txt", "line_name=Valle_Prima\r\n\ntrain_number=101\n");
  write(folder / "linea.txt", "[generale]\r\nlunghezza, 5000  \n\n[fine]\n\n");
  write(folder / "treno.txt", "[generale]\n[fine]");
  write(folder / "note.txt", "");
  write(folder / "rallentamenti.txt", "  \n");
  write(folder / "scheda_treno.txt", "TRENO 101\n");
}

// Little-endian unsigned 64-bit size followed by the bytes, for each file.
std::string payload_of(const std::array<std::string, 6>& files) {
  std::string payload;
  for (const std::string& file : files) {
    for (int i = 0; i < 8; ++i) payload += static_cast<char>((file.size() >> (8 * i)) & 0xff);
    payload += file;
  }
  return payload;
}

const std::array<std::string, 6> sound_files{"line_name=A\ntrain_number=1\n", "[generale]\n", "[fine]\n", "", "", ""};

TEST(ScenarioPayload, CrcMatchesTheStandardCheckValue) {
  EXPECT_EQ(compila::crc32("123456789"), 0xcbf43926u);
  EXPECT_EQ(compila::crc32(""), 0u);
}

TEST(ScenarioPayload, FolderSurvivesPackingLineForLine) {
  scratch_directory scratch;
  write_folder(scratch / "folder");
  scenario_folder original;
  std::vector<compila::located_problem> problems;
  ASSERT_TRUE(original.load((scratch / "folder").string(), problems)) << compila::problem_lines(problems);
  std::string error;

  const std::string program = compila::packed_program("RUNNER BYTES", compila::encode_scenario_payload(original));
  ASSERT_TRUE(program.starts_with("RUNNER BYTES"));
  ASSERT_TRUE(program.ends_with(compila::payload_mark));
  const payload_search search = find_payload(program);
  ASSERT_EQ(search.result, payload_search::kind::found) << search.problem;
  scenario_folder unpacked;
  ASSERT_TRUE(compila::decode_scenario_payload(search.payload, "prog", unpacked, error)) << error;
  EXPECT_EQ(unpacked.line_name(), "Valle_Prima");
  EXPECT_EQ(unpacked.train_number(), "101");
  for (std::size_t f = 0; f < compila::scenario_files.size(); ++f)
    EXPECT_EQ(unpacked.file_lines(f), original.file_lines(f)) << compila::scenario_files[f].folder_name;
  EXPECT_EQ(unpacked.file_lines(0), (std::vector<std::string>{"[generale]", "lunghezza, 5000  ", "", "[fine]", ""}));
}

// A folder that declares UTF-8 is packed as the Windows-1252 lines the build
// takes, and the payload says so: unpacked, the lines are the same bytes.
TEST(ScenarioPayload, AUtf8FolderIsPackedAsItsWindows1252Lines) {
  scratch_directory scratch;
  write_folder(scratch / "folder");
  write(scratch / "folder/scenario.txt", "line_name=Valle_Prima\ntrain_number=101\nencoding=utf-8\n");
  write(scratch / "folder/scheda_treno.txt", "\xEF\xBB\xBFPI\u00C8 DEL COLLE\n");
  scenario_folder original;
  std::vector<compila::located_problem> problems;
  ASSERT_TRUE(original.load((scratch / "folder").string(), problems)) << compila::problem_lines(problems);
  const std::string payload = compila::encode_scenario_payload(original);
  scenario_folder unpacked;
  std::string error;
  ASSERT_TRUE(compila::decode_scenario_payload(payload, "prog", unpacked, error)) << error;
  EXPECT_EQ(unpacked.encoding(), compila::text_encoding::windows_1252);
  EXPECT_EQ(unpacked.file_lines(4), (std::vector<std::string>{"PI\xC8 DEL COLLE"}));
  EXPECT_EQ(unpacked.file_lines(4), original.file_lines(4));
}

// Damage to the end of a program file, from a sound packed program.
TEST(ScenarioPayload, DamagedOrMissingTrailerIsToldApart) {
  const std::string payload = payload_of(sound_files);
  const std::string sound = compila::packed_program("RUNNER", payload);
  const std::size_t trailer = sound.size() - compila::payload_trailer_size;
  struct damage_case {
    const char* name;
    std::function<std::string()> damage;
    payload_search::kind result;
    std::string problem;
  } cases[] = {
      {"empty file", [] { return std::string(); }, payload_search::kind::absent, "no scenario is appended"},
      {"bare runner", [] { return std::string("RUNNER"); }, payload_search::kind::absent, "no scenario is appended"},
      {"mark alone", [] { return std::string(compila::payload_mark); }, payload_search::kind::absent,
       "no scenario is appended"},
      {"last byte cut off", [&] { return sound.substr(0, sound.size() - 1); }, payload_search::kind::absent,
       "no scenario is appended"},
      {"mark altered",
       [&] {
         std::string s = sound;
         s.back() ^= 1;
         return s;
       },
       payload_search::kind::absent, "no scenario is appended"},
      {"front cut off", [&] { return sound.substr(8); }, payload_search::kind::damaged,
       "only " + std::to_string(trailer - 8) + " precede it"},
      {"length beyond the file",
       [&] {
         std::string s = sound;
         s[trailer + 7] = '\x80';
         return s;
       },
       payload_search::kind::damaged, "its trailer gives 9223372036854775"},
      {"length one short",
       [&] {
         std::string s = sound;
         --s[trailer];
         return s;
       },
       payload_search::kind::damaged, "CRC-32"},
      {"payload byte flipped",
       [&] {
         std::string s = sound;
         s[6 + 10] ^= 0x20;
         return s;
       },
       payload_search::kind::damaged, "CRC-32"},
      {"stored CRC altered",
       [&] {
         std::string s = sound;
         s[trailer + 8] ^= 1;
         return s;
       },
       payload_search::kind::damaged, "CRC-32"},
      {"runner bytes altered",
       [&] {
         std::string s = sound;
         s[0] = 'X';
         return s;
       },
       payload_search::kind::found, ""},
  };
  for (const damage_case& c : cases) {
    const std::string program = c.damage();
    const payload_search search = find_payload(program);
    EXPECT_EQ(search.result, c.result) << c.name;
    EXPECT_NE(search.problem.find(c.problem), std::string::npos) << c.name << ": " << search.problem;
    if (search.result == payload_search::kind::found) EXPECT_EQ(search.payload, payload) << c.name;
    else EXPECT_TRUE(search.payload.empty()) << c.name;
  }
}

// Payloads whose CRC-32 is sound but whose content is not: the layout is
// checked, then every rule of a scenario folder, with the file and line named.
TEST(ScenarioPayload, BrokenContentIsRefusedWithTheFileNamed) {
  auto with = [](std::size_t file, const std::string& text) {
    std::array<std::string, 6> files = sound_files;
    files[file] = text;
    return payload_of(files);
  };
  const std::string sound = payload_of(sound_files);
  std::string size_too_big = sound;
  size_too_big[8 + sound_files[0].size()] = 100;  // linea.txt's size
  std::string size_beyond_any = sound;
  size_beyond_any[7] = '\x80';  // the top byte of scenario.txt's size
  const std::pair<std::string, std::string> cases[] = {
      {"", "prog: the appended scenario is damaged: it ends before the size of scenario.txt"},
      {sound.substr(0, 8 + sound_files[0].size() + 2), "it ends before the size of linea.txt"},
      {sound.substr(0, 30), "scenario.txt should hold 27 bytes, only 22 remain"},
      {size_beyond_any, "scenario.txt should hold 9223372036854775835 bytes"},
      {size_too_big, "linea.txt should hold 100 bytes"},
      {sound + "x", "prog: the appended scenario is damaged: 1 bytes follow its six files"},
      {with(0, "line_name=A\n"), "prog (packed scenario.txt): no train_number= line"},
      {with(0, "line_name=A/B\ntrain_number=1\n"), "prog (packed scenario.txt):1: line_name holds a character"},
      {with(2, "[generale]\nriferimento fine del file\n"), "prog (packed treno.txt):2: line equal to the end-of-list"},
      {with(3, "a\x01"), "prog (packed note.txt):1: control character 0x01"},
      {with(5, "a\rb\n"), "prog (packed scheda_treno.txt):1: carriage return inside a line"},
      {with(1, std::string(1001, '\n')), "prog (packed linea.txt):1001: more than 1000 lines"},
  };
  for (const auto& [payload, expected] : cases) {
    scenario_folder folder;
    std::string error;
    EXPECT_FALSE(compila::decode_scenario_payload(payload, "prog", folder, error)) << expected;
    EXPECT_NE(error.find(expected), std::string::npos) << expected << "\n" << error;
  }
  scenario_folder folder;
  std::string error;
  EXPECT_TRUE(compila::decode_scenario_payload(sound, "prog", folder, error)) << error;
}

TEST(ScenarioPayload, ProgramFileThatCannotBeReadIsNamed) {
  scratch_directory scratch;
  scenario_folder folder;
  std::string error;
  const std::string missing = (scratch / "missing").string();
  EXPECT_FALSE(compila::load_packed_scenario(missing, 100, folder, error));
  EXPECT_EQ(error.rfind(missing + ": cannot read: ", 0), 0u) << error;
}

// The size the runner was stamped with tells a bare runner, a copy that lost
// its end and one with bytes added apart from damage inside the payload.
TEST(ScenarioPayload, ProgramOfAnotherSizeThanPackedIsToldApart) {
  scratch_directory scratch;
  const std::string sound = compila::packed_program("RUNNER", payload_of(sound_files));
  const std::uint64_t packed = sound.size();
  std::string mark_altered = sound;
  mark_altered.back() ^= 1;
  const struct {
    const char* name;
    std::string bytes;
    std::uint64_t packed_size;
    std::string problem;
  } cases[] = {
      {"bare runner", "RUNNER", 0, "no scenario is appended to this program"},
      {"bare runner, though the end looks packed", sound, 0, "no scenario is appended to this program"},
      {"cut short", sound.substr(0, 20), packed,
       "the program is cut short: it holds 20 of the " + std::to_string(packed) + " bytes it was packed with"},
      {"cut by one byte", sound.substr(0, sound.size() - 1), packed, "the program is cut short"},
      {"bytes added", sound + "xyz", packed,
       "the appended scenario is damaged: 3 bytes follow the end it was packed with"},
      {"mark altered", mark_altered, packed,
       "the appended scenario is damaged: its trailer's mark \"SCENPAK1\" is missing"},
  };
  for (const auto& c : cases) {
    write(scratch / "program", c.bytes);
    scenario_folder folder;
    std::string error;
    EXPECT_FALSE(compila::load_packed_scenario((scratch / "program").string(), c.packed_size, folder, error)) << c.name;
    EXPECT_TRUE(error.starts_with((scratch / "program").string() + ": " + c.problem)) << c.name << "\n" << error;
  }
  write(scratch / "program", sound);
  scenario_folder folder;
  std::string error;
  EXPECT_TRUE(compila::load_packed_scenario((scratch / "program").string(), packed, folder, error)) << error;
  EXPECT_EQ(folder.line_name(), "A");
}

std::string bare_slot_bytes() {
  constexpr compila::packed_size_slot slot = compila::bare_packed_size_slot();
  return {reinterpret_cast<const char*>(&slot), sizeof slot};
}

TEST(PackedSize, StampedSizeIsReadBackAndOnlyABareSlotTakesOne) {
  const std::string runner = "head" + bare_slot_bytes() + "tail";
  std::string stamped = runner, problem;
  ASSERT_TRUE(compila::stamp_packed_size(stamped, 0x0102030405060708u, problem)) << problem;
  ASSERT_EQ(stamped.size(), runner.size());
  compila::packed_size_slot slot{};
  std::memcpy(&slot, stamped.data() + 4, sizeof slot);
  EXPECT_EQ(compila::packed_size_of(slot), 0x0102030405060708u);
  EXPECT_EQ(stamped.substr(0, 4 + compila::packed_size_mark_length),
            runner.substr(0, 4 + compila::packed_size_mark_length));
  EXPECT_EQ(stamped.substr(4 + sizeof slot), "tail");

  const std::pair<std::string, std::string> refused[] = {
      {"a runner without the slot", "holds no slot"},
      {bare_slot_bytes().substr(0, compila::packed_size_mark_length + 3), "holds no slot"},
      {bare_slot_bytes() + bare_slot_bytes(), "more than once"},
      {stamped, "already carries a packed scenario"},
  };
  for (const auto& [bytes, expected] : refused) {
    std::string copy = bytes;
    EXPECT_FALSE(compila::stamp_packed_size(copy, 99, problem)) << expected;
    EXPECT_NE(problem.find(expected), std::string::npos) << problem;
    EXPECT_EQ(copy, bytes) << expected;
  }
}

}  // namespace
