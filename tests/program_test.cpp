// Runs the real programs in fresh directories and reads back what they leave,
// decoding the binary files with a reader of their own.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "test_support.h"

namespace {

using compila::testing::program_file_name;
using compila::testing::read_file;
using compila::testing::wait_window_output;

namespace fs = std::filesystem;

const std::string line = "Corvalia_Brunasco-Alpestra", train = "40517";

struct program_run {
  compila::testing::scratch_directory top;
  fs::path dir;
  int status = -1;
  std::string out, err;
};

// Copies the program into a fresh directory and runs it from its parent, so
// that its files must land beside the program, not in the working directory.
void run_program(const fs::path& program, program_run& run) {
  ASSERT_FALSE(run.top.path.empty());
  run.dir = run.top / "program";
  fs::create_directory(run.dir);
  fs::copy_file(program, run.dir / program.filename());
  const compila::testing::process_result result =
      compila::testing::run_process(run.dir / program.filename(), {}, run.top.path);
  run.status = result.status;
  run.out = result.out;
  run.err = result.err;
}

fs::path scenario_program(const std::string& name) {
  return fs::path(COMPILA_SCENARIO_PROGRAMS_DIR) / program_file_name(name);
}

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

std::string crlf_file(const std::string& name) {
  std::string text;
  for (char c : read_file(fs::path(COMPILA_SCENARIO_DIR) / name))
    if (c == '\n') text += "\r\n";
    else if (c != '\r') text += c;
  return text;
}

class le_reader {
 public:
  explicit le_reader(const std::string& bytes) : bytes_(bytes) {}
  std::uint64_t take(int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t(std::uint8_t(bytes_.at(at_++))) << (8 * i);
    return value;
  }
  int u8() { return int(take(1)); }
  int i16() { return std::int16_t(take(2)); }
  int i32() { return std::int32_t(take(4)); }
  std::string text() {
    const std::size_t size = take(2);
    at_ += size;
    return bytes_.substr(at_ - size, size);
  }
  bool at_end() const { return at_ == bytes_.size(); }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

struct cell_record {
  int type, param[4], signal_time, approach, tunnel, speed, gradient, adhesion;
};
struct item_record {
  int kind, start, end, at, flag;
  std::string text;
  int word[5], byte[4], seconds;
};
struct tagged {
  int tag;
  double value;
};

std::vector<cell_record> decode_cells(const std::string& bytes) {
  std::vector<cell_record> cells;
  for (le_reader r(bytes); !r.at_end();)
    cells.push_back({r.u8(), {r.i16(), r.i16(), r.i16(), r.i16()}, r.u8(), r.u8(), r.u8(), r.u8(), r.u8(), r.u8()});
  return cells;
}

std::vector<item_record> decode_items(const std::string& bytes) {
  std::vector<item_record> items;
  for (le_reader r(bytes); !r.at_end();)
    items.push_back({r.u8(),
                     r.i32(),
                     r.i32(),
                     r.i32(),
                     r.u8(),
                     r.text(),
                     {r.i16(), r.i16(), r.i16(), r.i16(), r.i16()},
                     {r.u8(), r.u8(), r.u8(), r.u8()},
                     r.i32()});
  return items;
}

std::vector<tagged> decode_plan(const std::string& bytes) {
  std::vector<tagged> values;
  for (le_reader r(bytes); !r.at_end();) {
    const int tag = int(r.take(2));
    if (tag == 2) values.push_back({tag, double(std::int16_t(r.take(2)))});
    else if (tag == 5) values.push_back({tag, std::bit_cast<double>(r.take(8))});
    else values.push_back({tag, 0});
  }
  return values;
}

// The competition codes from the first 25 characters of train number + line
// name in lower case (filler text not reached).
int code_sum(bool weighted) {
  const std::string code = "40517corvalia_brunasco-alpestra";
  int sum = 0;
  for (int i = 0; i < 25; ++i) sum += (weighted ? i + 1 : 1) * code[i];
  return sum;
}

class EmbeddedProgram : public ::testing::Test {
 protected:
  void SetUp() override { run_program(COMPILA_PROGRAM, run_); }
  std::string output(const std::string& suffix) const { return read_file(run_.dir / (line + suffix)); }
  program_run run_;
};

TEST_F(EmbeddedProgram, EndsCleanLeavingTheSixFilesBesideItself) {
  EXPECT_EQ(run_.status, 0) << run_.err;
  EXPECT_EQ(run_.out, wait_window_output());
  EXPECT_EQ(run_.err, "");
  const std::string p = line + "_" + train;
  EXPECT_EQ(names_in(run_.dir),
            (std::set<std::string>{program_file_name("compila_scenario"), line + "_linea.dat", p + ".sim", p + ".dat",
                                   p + "_note.txt", p + "_rallentamenti.txt", p + "_scheda_treno.txt"}));
  EXPECT_EQ(names_in(run_.top.path), (std::set<std::string>{"program"}));
  EXPECT_EQ(output("_40517_note.txt"), "");
  EXPECT_EQ(output("_40517_rallentamenti.txt"), crlf_file("rallentamenti.txt"));
  EXPECT_EQ(output("_40517_scheda_treno.txt"), crlf_file("scheda_treno.txt"));
}

TEST_F(EmbeddedProgram, ItemAndTrackFilesCarryMarkersAndCodes) {
  const std::string track = output("_40517.dat");
  ASSERT_EQ(track.size(), 26715u);
  EXPECT_EQ(track.substr(16, 2), "\x01\x14");
  EXPECT_EQ(decode_cells(track)[1].param[1], code_sum(false));
  const std::vector<item_record> items = decode_items(output("_40517.sim"));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[85].word[0], 610);
  EXPECT_EQ(items[85].text, line);
  EXPECT_EQ(items[85].seconds, code_sum(true));
  EXPECT_EQ(items[86].text, train);
}

TEST_F(EmbeddedProgram, LineDataFileHoldsThePlan) {
  const std::string bytes = output("_linea.dat");
  EXPECT_EQ(bytes.size(), 1779964u);
  const std::vector<tagged> values = decode_plan(bytes);
  ASSERT_EQ(values.size(), 2u * 89001);
  auto x = [&](int m) { return values[m]; };
  auto y = [&](int m) { return values[89001 + m]; };
  for (int m : {0, 1}) {
    EXPECT_EQ(x(m).tag, 2);
    EXPECT_EQ(y(m).tag, 2);
    EXPECT_EQ(x(m).value, 0);
    EXPECT_EQ(y(m).value, m);
  }
  for (int m = 2; m <= 88998; ++m) ASSERT_TRUE(x(m).tag == 5 && y(m).tag == 5) << m;
  EXPECT_NEAR(x(801).value, -0.0004, 5e-5);
  EXPECT_NEAR(y(801).value, 801, 5e-5);
  EXPECT_NEAR(x(1100).value, -18.0386, 5e-5);
  EXPECT_NEAR(y(1100).value, 1099.2805, 5e-5);
  EXPECT_NEAR(x(88998).value, 6884.08, 0.005);
  EXPECT_NEAR(y(88998).value, 70024.07, 0.005);
  EXPECT_NEAR(std::hypot(x(88998).value - x(88997).value, y(88998).value - y(88997).value), 1.016, 0.0005);
  for (int m : {88999, 89000}) EXPECT_TRUE(x(m).tag == 0 && y(m).tag == 0) << m;
}

TEST_F(EmbeddedProgram, TrackCellsCarryTheLineAndTheTrain) {
  const std::vector<cell_record> cells = decode_cells(output("_40517.dat"));
  ASSERT_EQ(cells.size(), 1781u);
  const std::pair<int, int> gradients[] = {{0, 0},      {4750, 3},   {7500, 5},   {20250, 7}, {29750, 14}, {34750, 26},
                                           {58250, 18}, {59000, 20}, {75400, 13}, {81750, 8}, {81900, 5},  {82400, 0}};
  const int speed_runs[][3] = {{0, 29, 6},    {30, 513, 16},   {514, 539, 6},   {540, 715, 16},
                               {716, 822, 8}, {823, 1665, 16}, {1666, 1777, 6}, {1778, 1780, 0}};
  for (const auto& [first, last, speed] : speed_runs)
    for (int c = first; c <= last; ++c) {
      int gradient = 0;
      for (const auto& [at, value] : gradients)
        if (c <= 1777 && at / 50 <= c) gradient = 100 + value;
      ASSERT_EQ(cells[c].speed, speed) << c;
      ASSERT_EQ(cells[c].adhesion, c <= 1777 ? 100 : 0) << c;
      ASSERT_EQ(cells[c].gradient, gradient) << c;
    }

  std::map<int, int> runs_by_kind;
  std::map<int, int> cells_by_type;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (cells[c].tunnel != 0 && (c == 0 || cells[c - 1].tunnel != cells[c].tunnel)) ++runs_by_kind[cells[c].tunnel];
    ++cells_by_type[cells[c].type];
  }
  EXPECT_EQ(runs_by_kind, (std::map<int, int>{{1, 47}, {2, 5}, {3, 8}}));
  EXPECT_EQ(cells_by_type[1], 14);  // signals
  EXPECT_EQ(cells_by_type[10], 7);  // stopping points
  EXPECT_EQ(cells_by_type[12] + cells_by_type[13], 0);

  // The span 72300-80400: markers on every fourth cell from 1449; the signal
  // at 80000 took cell 1601's marker and kept its tunnel kind.
  for (int c = 1446; c <= 1607; ++c) {
    const bool marker_cell = c >= 1449 && (c - 1449) % 4 == 0;
    ASSERT_EQ(cells[c].type, c == 1601 ? 1 : c == 1446 ? 14 : marker_cell ? 11 : 0) << c;
    ASSERT_NE(cells[c].tunnel, 0) << c;
  }
  EXPECT_EQ(cells[1601].tunnel, cells[1600].tunnel);
  for (const auto& [c, speed] : {std::pair{31, 1600}, {707, 800}, {824, 1600}}) {
    EXPECT_EQ(cells[c].type, 6) << c;
    EXPECT_TRUE(cells[c].param[0] == speed && cells[c].param[1] == speed && cells[c].param[2] == speed) << c;
    EXPECT_EQ(cells[c].param[3], 0) << c;
  }

  const std::vector<item_record> items = decode_items(output("_40517.sim"));
  ASSERT_EQ(items.size(), 87u);
  for (const auto& [c, slot, text] :
       {std::tuple{717, 80, "(Km.35.800)"}, {1446, 79, "(GALLERIA)(VALICO  )(m.8100  )"}}) {
    EXPECT_TRUE(cells[c].type == 14 && cells[c].param[0] == slot) << c;
    EXPECT_EQ(items[slot].text, text);
  }
  struct station {
    int at, kind, start, end, seconds, stop;
    const char* name;
  } stations[] = {
      {0, 4, -500, 500, 41700, 9, "CORVALIA"},
      {5900, 26, 5750, 6050, 42060, 0, "ORSINA"},
      {13650, 26, 13500, 13800, 42480, 0, "PRATELLE"},
      {15400, 26, 15300, 15500, 42660, 0, "ROCCOLA-S.AURELIO"},
      {26050, 12, 25750, 26350, 43320, 526, "CLAVET SUR DROSNE"},
      {34800, 12, 34600, 35000, 44040, 699, "FELZAN-SORBIO"},
      {46350, 22, 46150, 46600, 0, 931, "SAINT MARVAL DE C."},
      {49700, 26, 49500, 49900, 0, 0, "LA FOSSANE"},
      {54300, 24, 54100, 54550, 45420, 1090, "TORMA"},
      {69900, 22, 69650, 70200, 0, 1403, "VESSOLA"},
      {83700, 12, 83400, 84000, 47100, 1679, "BRUNASCO-ALPESTRA"},
  };
  for (int slot = 1; slot <= 11; ++slot) {
    const station& s = stations[slot - 1];
    const item_record& it = items[slot];
    EXPECT_TRUE(it.at == s.at && it.kind == s.kind && it.start == s.start && it.end == s.end &&
                it.seconds == s.seconds && it.text == s.name)
        << "slot " << slot << ": " << it.text << " at " << it.at;
    if (s.stop != 0) {
      EXPECT_TRUE(cells[s.stop].type == 10 && cells[s.stop].param[0] == slot) << slot;
    }
  }
  EXPECT_EQ(items[12].text, "");
}

// Scenario folders whose source puts something into a field of cell 1 that
// the build reserves for its marker and code.
TEST(ScenarioFolders, ReservedFieldOfCell1StopsTheBuild) {
  const std::pair<const char*, const char*> rows[] = {
      {"scenario_speed_board_at_0", "1250"},
      {"scenario_signal_at_0", "1250"},
      {"scenario_signal_at_0_second_codes", "1251"},
  };
  for (const auto& [program, code] : rows) {
    program_run run;
    run_program(scenario_program(program), run);
    EXPECT_EQ(run.status, 1) << program;
    EXPECT_EQ(run.out, wait_window_output()) << program;
    EXPECT_NE(("\n" + run.err).find(std::string("\n Errore n. ") + code + "\n"), std::string::npos)
        << program << run.err;
    for (const std::string& name : names_in(run.dir)) {
      EXPECT_FALSE(name.ends_with(".dat") || name.ends_with(".sim")) << program << ": " << name;
      EXPECT_FALSE(name.ends_with("-.txt") || name.ends_with("_linea.txt")) << program << ": " << name;
    }
    EXPECT_EQ(names_in(run.dir).size(), 4u) << program;  // the program and its three documents
  }
}

}  // namespace

namespace {

// The starter folder's text file, with the line ends the program writes.
std::string starter_file(const std::string& name) {
  std::string text;
  for (char c : read_file(fs::path(COMPILA_SOURCE_DIR) / "examples/starter" / name))
    if (c == '\n') text += "\r\n";
    else if (c != '\r') text += c;
  return text;
}

TEST(ScenarioFolders, StarterBuildsCleanWithItsObjectsOnTheTrack) {
  program_run run;
  run_program(scenario_program("scenario_starter"), run);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string p = "Valle_Prima_101";
  EXPECT_EQ(names_in(run.dir),
            (std::set<std::string>{program_file_name("scenario_starter"), "Valle_Prima_linea.dat", p + ".sim",
                                   p + ".dat", p + "_note.txt", p + "_rallentamenti.txt", p + "_scheda_treno.txt"}));
  for (const char* document : {"note", "rallentamenti", "scheda_treno"})
    EXPECT_EQ(read_file(run.dir / (p + "_" + document + ".txt")), starter_file(std::string(document) + ".txt"))
        << document;

  const std::vector<cell_record> cells = decode_cells(read_file(run.dir / (p + ".dat")));
  ASSERT_EQ(cells.size(), 241u);  // (5000 + 7000) / 50 + 1
  const std::pair<int, int> objects[] = {
      {9, 10},  {53, 10}, {99, 10},                                // stopping points of the three stations
      {21, 1},  {45, 1},  {79, 1},                                 // signals
      {65, 3},  {73, 2},  {41, 4},  {40, 5},  {37, 5},             // slowdown start, end, warning board, countdown
      {36, 12},                                                    // the written reduction point
      {20, 12}, {60, 12}, {54, 12}, {47, 12}, {72, 12}, {78, 12},  // the automatic ones
      {31, 6},  {23, 14}, {83, 11},                                // speed board, signboard, tunnel marker
  };
  for (const auto& [cell, type] : objects) EXPECT_EQ(cells[cell].type, type) << "cell " << cell;
  int objects_on_track = 0;
  for (const cell_record& c : cells) objects_on_track += c.type != 0;
  EXPECT_EQ(objects_on_track, 23);  // the list above plus countdown cells 38 and 39
  EXPECT_EQ(cells[36].param[0], 120);
  EXPECT_EQ(cells[29].speed, 12);
  EXPECT_EQ(cells[30].speed, 20);
  EXPECT_EQ(cells[36].gradient, 106);
  EXPECT_EQ(cells[80].tunnel, 11 - 10);

  const std::vector<item_record> items = decode_items(read_file(run.dir / (p + ".sim")));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[1].text, "PRIMA");
  EXPECT_EQ(items[3].text, "VALLE");
  EXPECT_EQ(items[3].seconds, (8 * 60 + 7) * 60);
  EXPECT_EQ(items[80].text, "(Km.1.100)");
}

}  // namespace
