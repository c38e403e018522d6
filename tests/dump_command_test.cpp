// scenario_tool dump on the files of a real build: JSON that parses and names
// the model's fields, text rows as chosen, and damaged files reported with
// their offsets and a failing status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "format/binary_writer.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::testing::read_file;
using compila::testing::scratch_directory;
using nlohmann::json;

constexpr char track_name[] = "Corvalia_Brunasco-Alpestra_40517.dat";
constexpr char items_name[] = "Corvalia_Brunasco-Alpestra_40517.sim";
constexpr char plan_name[] = "Corvalia_Brunasco-Alpestra_linea.dat";

using tool_run = compila::testing::process_result;

// The embedded scenario built by the tool into a scratch folder, and dump run
// from inside that folder.
class Dump : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run("build '" COMPILA_SCENARIO_DIR "' -o .").status, 0);
    for (const char* name : {track_name, items_name, plan_name}) ASSERT_TRUE(fs::exists(dir / name)) << name;
  }

  tool_run run(const std::string& arguments) {
    return compila::testing::run_command("'" COMPILA_TOOL "' " + arguments, dir.path);
  }

  tool_run dump(const std::string& arguments) { return run("dump " + arguments); }

  json dump_json(const std::string& arguments) {
    const tool_run r = dump(arguments);
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out, nullptr, false);
  }

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }

  scratch_directory dir;
};

void expect_fields(const json& record, std::initializer_list<const char*> names) {
  for (const char* name : names) EXPECT_TRUE(record.contains(name)) << name << " missing in " << record.dump();
}

TEST_F(Dump, JsonOfTheTrackFileNamesTheCellFields) {
  const json track = dump_json(std::string("--json ") + track_name);
  ASSERT_TRUE(track.is_object());
  EXPECT_EQ(track["kind"], "track");
  EXPECT_EQ(track["cell_count"], 1780);
  const json& cells = track["cells"];
  ASSERT_TRUE(cells.is_array());
  ASSERT_GT(cells.size(), 2u);
  expect_fields(cells[0], {"cell", "position_m", "cell_type", "param_1", "param_2", "param_3", "param_4", "signal_time",
                           "approach_code", "tunnel_kind", "speed_limit", "gradient", "adhesion", "object"});
  EXPECT_EQ(cells[1]["cell"], 1);
  EXPECT_EQ(cells[1]["param_1"], 5121);
  // Cell 249 holds the signal of the train source's line 30.
  bool signal_found = false;
  for (const json& cell : cells)
    if (cell["cell"] == 249) {
      signal_found = true;
      EXPECT_EQ(cell["object"], "signal");
      EXPECT_EQ(cell["param_1"], 40);
      EXPECT_EQ(cell["param_2"], 10);
      EXPECT_EQ(cell["param_4"], 3);
    }
  EXPECT_TRUE(signal_found);
  EXPECT_EQ(dump_json(std::string("--json --all ") + track_name)["cells"].size(), 1781u);
}

TEST_F(Dump, JsonOfTheItemFileNamesTheItemFieldsWithTheirTexts) {
  const json items = dump_json(std::string("--json ") + items_name)["items"];
  ASSERT_TRUE(items.is_array());
  ASSERT_FALSE(items.empty());
  expect_fields(items[0], {"slot", "kind", "start_m", "end_m", "at_m", "flag", "word_1", "word_2", "word_3", "word_4",
                           "word_5", "byte_1", "byte_2", "byte_3", "byte_4", "seconds", "text"});
  const json& last = items.back();
  EXPECT_EQ(last["slot"], 86);
  EXPECT_EQ(last["text"], "40517");
  const json& before = items[items.size() - 2];
  EXPECT_EQ(before["slot"], 85);
  EXPECT_EQ(before["text"], "Corvalia_Brunasco-Alpestra");
  EXPECT_EQ(before["word_1"], 610);
  EXPECT_EQ(dump_json(std::string("--json --all ") + items_name)["items"].size(), 87u);
}

TEST_F(Dump, JsonOfTheLineDataFileGivesThePointsStepByStep) {
  const json plan = dump_json(std::string("--json ") + plan_name);
  EXPECT_EQ(plan["kind"], "plan");
  EXPECT_EQ(plan["point_count"], 89001);
  const json& points = plan["points"];
  ASSERT_EQ(points.size(), 891u);  // 0, 100, ..., 89000
  expect_fields(points[0], {"point", "x", "y"});
  EXPECT_EQ(points[0]["x"], 0);
  EXPECT_EQ(points[1]["point"], 100);
  EXPECT_TRUE(points[1]["y"].is_number_float());
  EXPECT_TRUE(points.back()["x"].is_null());  // the last two points stay empty

  const json coarse = dump_json(std::string("--json --step 30000 ") + plan_name)["points"];
  ASSERT_EQ(coarse.size(), 4u);
  EXPECT_EQ(coarse[2]["point"], 60000);
  EXPECT_EQ(coarse[3]["point"], 89000);
}

TEST_F(Dump, SeveralFilesGiveAnArrayAndTextGivesOneRowPerRecord) {
  const json all = dump_json(std::string("--json ") + plan_name + " " + items_name + " " + track_name);
  ASSERT_TRUE(all.is_array());
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0]["kind"], "plan");
  EXPECT_EQ(all[1]["kind"], "items");
  EXPECT_EQ(all[2]["kind"], "track");

  const tool_run text = dump(std::string("--all ") + track_name);
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1 + 1 + 1781);  // title, header, cells
  EXPECT_NE(text.out.find("cell_type  param_1"), std::string::npos);
  EXPECT_NE(text.out.find("  signal\n"), std::string::npos);
}

// The words of the second line of a text dump: its column headers.
std::vector<std::string> header_words(const std::string& out) {
  const std::size_t start = out.find('\n') + 1;
  std::istringstream line(out.substr(start, out.find('\n', start) - start));
  std::vector<std::string> words;
  for (std::string word; line >> word;) words.push_back(word);
  return words;
}

TEST_F(Dump, TextColumnsFollowTheFileOrderWithTheItemTextLast) {
  const tool_run track = dump(track_name);
  ASSERT_EQ(track.status, 0) << track.err;
  EXPECT_EQ(header_words(track.out),
            (std::vector<std::string>{"cell", "position_m", "cell_type", "param_1", "param_2", "param_3", "param_4",
                                      "signal_time", "approach_code", "tunnel_kind", "speed_limit", "gradient",
                                      "adhesion", "object"}));
  const tool_run items = dump(items_name);
  ASSERT_EQ(items.status, 0) << items.err;
  EXPECT_EQ(header_words(items.out),
            (std::vector<std::string>{"slot", "kind", "start_m", "end_m", "at_m", "flag", "word_1", "word_2", "word_3",
                                      "word_4", "word_5", "byte_1", "byte_2", "byte_3", "byte_4", "seconds", "text"}));
}

TEST_F(Dump, ATruncatedOrDamagedFileIsReportedWithItsOffset) {
  const std::string items = read_file(dir / items_name), track = read_file(dir / track_name),
                    plan = read_file(dir / plan_name);
  write("cut_40517.sim", items.substr(0, 1000));
  write("cut_40517.dat", track.substr(0, track.size() - 7));
  write("cut_linea.dat", plan.substr(0, 17));
  std::string bad_tag = plan;
  bad_tag[8] = 9;
  write("tag_linea.dat", bad_tag);
  const struct {
    const char* file;
    const char* expected;
  } cases[] = {
      {"cut_40517.sim", "cut_40517.sim: error: not a whole item file, at byte 1000: "},
      {"cut_40517.dat", "cut_40517.dat: error: not a whole track file, at byte 26700: file ends inside cell 1780"},
      {"cut_linea.dat", "cut_linea.dat: error: not a whole line data file, at byte 8: file ends inside value 2"},
      {"tag_linea.dat", "tag_linea.dat: error: not a whole line data file, at byte 8: unknown tag 9"},
  };
  for (const auto& c : cases) {
    for (const char* format : {"", "--json "}) {
      const tool_run r = dump(std::string(format) + c.file);
      EXPECT_EQ(r.status, 1) << c.file;
      EXPECT_EQ(r.err.rfind(c.expected, 0), 0u) << r.err;
      EXPECT_TRUE(r.out.empty()) << r.out;
    }
  }
  // A damaged file among good ones: the good ones are still shown.
  const tool_run mixed = dump(std::string("--json cut_40517.dat ") + items_name);
  EXPECT_EQ(mixed.status, 1);
  const json shown = json::parse(mixed.out, nullptr, false);
  ASSERT_TRUE(shown.is_array()) << mixed.out;
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]["kind"], "items");
}

TEST_F(Dump, TheKindComesFromTheNameOrFromAs) {
  fs::copy_file(dir / items_name, dir / "items.bin");
  const tool_run unknown = dump("items.bin");
  EXPECT_EQ(unknown.status, 64);
  EXPECT_NE(unknown.err.find("items.bin: cannot tell the kind"), std::string::npos) << unknown.err;
  EXPECT_EQ(dump_json("--json --as items items.bin")["kind"], "items");
  // The item file read as a track file: its size is no multiple of 15.
  const tool_run wrong = dump(std::string("--as track ") + items_name);
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("not a whole track file"), std::string::npos) << wrong.err;

  const tool_run missing = dump("absent_40517.dat");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent_40517.dat: error: no such file"), std::string::npos) << missing.err;
}

TEST_F(Dump, TextsOfAnyBytesComeOutReadableAndAsValidJson) {
  compila::scenario_model model;
  model.items[85].word_1 = 610;
  // Windows-1252, the simulator's code page: 0x92 is a quote, 0x81 unassigned.
  model.items[3].text = std::string("Caf\xe8\x92\x81\n\"q\"\\", 11);
  const compila::byte_buffer bytes = compila::encode_item_file(model);
  write("odd_40517.sim", std::string(bytes.begin(), bytes.end()));

  const tool_run text = dump("odd_40517.sim");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("\"Caf\u00e8\u2019\\x81\\x0A\\\"q\\\"\\\\\""), std::string::npos) << text.out;
  const json items = dump_json("--json odd_40517.sim")["items"];
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]["text"], "Caf\u00e8\u2019\u0081\n\"q\"\\");

  // No format marker: read all the same, with a warning.
  model.items[85].word_1 = 0;
  const compila::byte_buffer unmarked = compila::encode_item_file(model);
  write("unmarked_40517.sim", std::string(unmarked.begin(), unmarked.end()));
  const tool_run warned = dump("unmarked_40517.sim");
  EXPECT_EQ(warned.status, 0);
  EXPECT_NE(warned.err.find("unmarked_40517.sim: warning: at byte"), std::string::npos) << warned.err;
  EXPECT_NE(warned.err.find("not the format marker 610"), std::string::npos) << warned.err;
}

}  // namespace
