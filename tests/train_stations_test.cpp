// Station records: slots, extents, track marks and the station checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "test_support.h"

namespace compila::testing {
namespace {

// A station record with values 5 and 6 (byte_4, byte_3) given and the others 0.
std::string station(int position, int kind, int length, int byte_4 = 1, int byte_3 = 0) {
  return "stazione, " + std::to_string(position) + ", " + std::to_string(kind) + ", " + std::to_string(length) +
         ", 0, " + std::to_string(byte_4) + ", " + std::to_string(byte_3) + ", 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
}

scenario_model compile_train(const std::string& records, const std::string& line_records = "") {
  return compiled_model(line_source(line_records), train_source(records));
}

// A station slot: at_m, kind, start_m, end_m, seconds, byte_4, byte_3.
std::array<int, 7> station_fields(const item& s) {
  return {s.at_m, s.kind, s.start_m, s.end_m, s.seconds, s.byte_4, s.byte_3};
}

// The stopping point holds the slot, the four cells before it 81 to 84.
void expect_marks(const scenario_model& model, int stop, int slot, bool approach = true) {
  EXPECT_EQ(model.cells[stop].cell_type, cell_kind::stopping_point) << "slot " << slot;
  EXPECT_EQ(model.cells[stop].param_1, slot) << "slot " << slot;
  for (int i = 1; i <= 4; ++i)
    EXPECT_EQ(model.cells[stop - i].approach_code, approach ? 80 + i : 0) << "slot " << slot << " cell " << stop - i;
}

TEST(TrainStations, EmbeddedStationsFillSlotsOneToEleven) {
  const struct {
    std::array<int, 7> fields;
    int stop;
  } expected[] = {
      // stop -1: no track marks
      {{0, 4, -500, 500, 41700, 0, 0}, 9},
      {{5900, 26, 5750, 6050, 42060, 0, 0}, -1},
      {{13650, 26, 13500, 13800, 42480, 0, 0}, -1},
      {{15400, 26, 15300, 15500, 42660, 0, 0}, -1},
      {{26050, 12, 25750, 26350, 43320, 1, 0}, 526},
      {{34800, 12, 34600, 35000, 44040, 0, 0}, 699},
      {{46350, 22, 46150, 46600, 0, 0, 1}, 931},
      {{49700, 26, 49500, 49900, 0, 0, 0}, -1},
      {{54300, 24, 54100, 54550, 45420, 0, 1}, 1090},
      {{69900, 22, 69650, 70200, 0, 0, 1}, 1403},
      {{83700, 12, 83400, 84000, 47100, 1, 0}, 1679},
  };
  const scenario_model model = compiled_model(line_source(""), embedded_train_source());
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  const auto count = [&](auto test) { return std::count_if(model.cells.begin(), model.cells.end(), test); };
  EXPECT_EQ(count([](const track_cell& c) { return c.cell_type == cell_kind::stopping_point; }), 7);
  EXPECT_EQ(count([](const track_cell& c) { return c.approach_code >= 81 && c.approach_code <= 84; }), 28);
  for (int slot = 1; slot <= 11; ++slot) {
    EXPECT_EQ(station_fields(model.items[slot]), expected[slot - 1].fields) << "slot " << slot;
    if (expected[slot - 1].stop >= 0) expect_marks(model, expected[slot - 1].stop, slot);
  }
  EXPECT_EQ(model.items[7].text, "SAINT MARVAL DE C.");
  EXPECT_EQ(model.items[12], item{});
}

TEST(TrainStations, FailedChecksEndTheReadingWithTheirKind) {
  const struct {
    std::string records;
    int error_kind;
  } cases[] = {
      {station(10025, 12, 400), 8},
      {station(10000, 12, 450), 9},
      {station(0, 4, 200), 24},                                 // stopping point on cell 1
      {station(10000, 12, 400) + station(10700, 12, 400), 22},  // 300 m apart
      {station(10000, 12, 400) + station(10750, 12, 400), 0},   // 350 m apart
      {station(20000, 12, 400) + station(10000, 12, 400), 22},  // before the previous one
      {station(10025, 12, 400) + station(20000, 12, 400), 8},   // nothing is read after an error
      {station(88200, 7, 900), 25},  // approach cells on the track, the stopping point on cell 1781 past it
  };
  for (const auto& c : cases) {
    const scenario_model model = compile_train(c.records + "sabbia, 5\r\n");
    EXPECT_EQ(model.error_kind, c.error_kind) << c.records;
    EXPECT_EQ(model.items[86].word_1, c.error_kind == 0 ? 5 : 0) << c.records;
  }
}

// With two signboards in slots 80 and 79, slot 78 is the next signboard slot
// and the 77th station uses the station slots up.
TEST(TrainStations, SeventySeventhStationWithTwoSignboardsUsesTheSlotsUp) {
  const std::string boards = "cartello_indicatore, 1000, (A)\r\ncartello_indicatore, 2000, (B)\r\n";
  std::string stations;
  for (int i = 1; i <= 76; ++i) stations += station(1000 * i, 26, 200);
  EXPECT_EQ(compile_train(stations, boards).error_kind, 0);
  const scenario_model model = compile_train(stations + station(77000, 26, 200), boards);
  EXPECT_EQ(model.error_kind, 10);
  EXPECT_EQ(model.items[77].at_m, 77000);
  EXPECT_EQ(model.items[78], item{});
  EXPECT_EQ(model.items[79].text, "(B)");
}

// Slot 2, so that only the kind and the length clear values 5 and 6.
// With 79 signboards only slot 1 is left: the station goes there, and then
// the slots are used up.
TEST(TrainStations, AStationInTheLastSlotLeftIsWrittenThenTheSlotsAreUsedUp) {
  std::string boards;
  for (int i = 1; i <= 79; ++i) boards += "cartello_indicatore, " + std::to_string(1000 * i) + ", (A)\r\n";
  const scenario_model model = compile_train(station(10000, 26, 200), boards);
  EXPECT_EQ(model.error_kind, 10);
  EXPECT_EQ(model.items[1].at_m, 10000);
}

TEST(TrainStations, ExtentAndMarksByKind) {
  const struct {
    int kind, start, end, byte_3, stop;
  } cases[] = {{5, 9600, 10150, 0, 202}, {7, 9600, 10400, 0, 207}, {12, 9800, 10250, 1, 204}};
  for (const auto& c : cases) {
    const scenario_model model = compile_train(station(2000, 26, 200) + station(10000, c.kind, 400, 1, 1));
    ASSERT_EQ(model.error_kind, 0) << c.kind << ": " << model.diagnostic.detail;
    EXPECT_EQ(station_fields(model.items[2]), (std::array<int, 7>{10000, c.kind, c.start, c.end, 0, 0, c.byte_3}));
    expect_marks(model, c.stop, 2, c.kind != 5);
    EXPECT_EQ(model.cells[c.stop].approach_code, 0) << c.kind;
  }
  // The first station keeps neither value 5 nor 6, though value 6 still
  // lengthens it.
  const scenario_model first = compile_train(station(10000, 12, 600, 1, 1));
  ASSERT_EQ(first.error_kind, 0) << first.diagnostic.detail;
  EXPECT_EQ(station_fields(first.items[1]), (std::array<int, 7>{10000, 12, 9700, 10350, 0, 0, 0}));
}

TEST(TrainStations, TrackMarksOverwriteAndStayAboveCellOne) {
  // The signboard at 10100 stands on cell 203, the stopping point.
  const scenario_model board = compile_train(station(10000, 12, 400), "cartello_indicatore, 10100, (X)\r\n");
  ASSERT_EQ(board.error_kind, 0) << board.diagnostic.detail;
  expect_marks(board, 203, 1);

  // Stopping point on cell 3: only its first approach cell lies above cell 1.
  const scenario_model first = compile_train(station(0, 4, 400));
  ASSERT_EQ(first.error_kind, 0) << first.diagnostic.detail;
  EXPECT_EQ(first.cells[3].cell_type, cell_kind::stopping_point);
  EXPECT_EQ(first.cells[2].approach_code, 81);
  EXPECT_EQ(first.cells[1].approach_code + first.cells[0].approach_code, 0);
}

}  // namespace
}  // namespace compila::testing
