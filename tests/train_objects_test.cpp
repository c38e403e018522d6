// Signals, slowdowns and reduction points placed from the train source.
#include <gtest/gtest.h>

#include <array>

#include "test_support.h"

namespace compila::testing {
namespace {

scenario_model compile_train(const std::string& records, const std::string& line_records = "") {
  return compiled_model(line_source(line_records), train_source(records));
}

std::string signal_at(int position) {
  return "segnale, " + std::to_string(position) + ", 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n";
}

// The object on a cell: cell_type, param_1 to param_4 and signal_time.
using cell_object = std::array<int, 6>;
cell_object object(const track_cell& c) {
  return {c.cell_type, c.param_1, c.param_2, c.param_3, c.param_4, c.signal_time};
}

int count_cells(const scenario_model& model, std::uint8_t cell_type) {
  int n = 0;
  for (const track_cell& cell : model.cells) n += cell.cell_type == cell_type;
  return n;
}

// How many cells hold a warning board, a slowdown start, end and countdown.
std::array<int, 4> slowdown_cells(const scenario_model& model) {
  return {count_cells(model, cell_kind::warning_board), count_cells(model, cell_kind::slowdown_start),
          count_cells(model, cell_kind::slowdown_end), count_cells(model, cell_kind::countdown)};
}

void expect_approach_codes(const scenario_model& model, int signal_cell, int first_code) {
  for (int i = 1; i <= 4; ++i)
    EXPECT_EQ(model.cells[signal_cell - 2 * i].approach_code, first_code + i - 1) << "signal cell " << signal_cell;
}

TEST(TrainObjects, EmbeddedSignals) {
  const scenario_model model = compiled_model(line_source(""), embedded_train_source());
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(count_cells(model, cell_kind::signal), 14);
  EXPECT_EQ(object(model.cells[249]), (cell_object{1, 40, 10, 0, 3, 0}));
  expect_approach_codes(model, 249, 31);
  EXPECT_EQ(object(model.cells[275]), (cell_object{1, 40, 10, 0, 6, 0}));
  expect_approach_codes(model, 275, 61);
}

TEST(TrainObjects, SignalPackingAndTime) {
  const struct {
    int sx, tempo, signal_time;
  } cases[] = {{2, 45, 101}, {2, 100, 101}, {2, 150, 150}, {2, 300, 44}, {2, 0, 0}, {1, 45, 0}, {0, 150, 0}};
  for (const auto& c : cases) {
    const std::string sx = std::to_string(c.sx), tempo = std::to_string(c.tempo);
    const scenario_model model = compile_train("segnale, 20000, " + sx + ", 1, 2, 3, 4, 1, 5, 6, 7, " + tempo + "\r\n");
    ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
    EXPECT_EQ(object(model.cells[401]), (cell_object{1, 15, 26, 37, 41 + c.sx * 3, c.signal_time}))
        << "sx " << sx << " tempo " << tempo;
    expect_approach_codes(model, 401, (c.sx * 3 + 1) * 10 + 1);
  }
}

TEST(TrainObjects, SignalCellChecks) {
  const scenario_model twice = compile_train(signal_at(20000) + "segnale, 20000, 2, 9, 9, 9, 0, 0, 0, 0, 0, 0\r\n");
  EXPECT_EQ(twice.error_kind, 16);
  EXPECT_EQ(object(twice.cells[401]), (cell_object{1, 40, 10, 0, 3, 0}));
  expect_approach_codes(twice, 401, 31);

  // Cell 71 carries the first tunnel marker of the span 3400 to 3700.
  const scenario_model tunnel = compile_train(signal_at(3500), "montagna, 3400, 3700, 11\r\n");
  ASSERT_EQ(tunnel.error_kind, 0) << tunnel.diagnostic.detail;
  EXPECT_EQ(tunnel.cells[71].cell_type, cell_kind::signal);
  EXPECT_EQ(tunnel.cells[71].tunnel_kind, 1);

  // Approach cells before cell 0: the signal is placed, then the reading faults.
  const scenario_model early = compile_train(signal_at(100) + "sabbia, 5\r\n");
  EXPECT_EQ(early.error_kind, 25);
  EXPECT_EQ(early.cells[3].cell_type, cell_kind::signal);
  EXPECT_EQ(early.items[86].word_1, 0);
}

TEST(TrainObjects, SlowdownCells) {
  // No warning board and no countdown at 1500, even with f_ta 1.
  const scenario_model at_1500 = compile_train("rallentamento, 1500, 30, 600, 2, 1, 0\r\n");
  ASSERT_EQ(at_1500.error_kind, 0) << at_1500.diagnostic.detail;
  EXPECT_EQ(object(at_1500.cells[31]), (cell_object{3, 30, 0, 2, 0, 0}));
  EXPECT_EQ(object(at_1500.cells[43]), (cell_object{2, 30, 0, 2, 0, 0}));
  EXPECT_EQ(slowdown_cells(at_1500), (std::array<int, 4>{0, 1, 1, 0}));

  const scenario_model at_1550 = compile_train("rallentamento, 1550, 30, 600, 2, 1, 9\r\n");
  ASSERT_EQ(at_1550.error_kind, 0) << at_1550.diagnostic.detail;
  EXPECT_EQ(object(at_1550.cells[8]), (cell_object{4, 30, 9, 0, 0, 0}));
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(object(at_1550.cells[7 - i]), (cell_object{5, i + 1, i + 1, 0, 0, 0}));
  EXPECT_EQ(slowdown_cells(at_1550), (std::array<int, 4>{1, 1, 1, 4}));

  const scenario_model model = compile_train("rallentamento, 10000, 30, 600, 2, 0, 0\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(object(model.cells[201]), (cell_object{3, 30, 0, 2, 0, 0}));
  EXPECT_EQ(object(model.cells[213]), (cell_object{2, 30, 0, 2, 0, 0}));
  EXPECT_EQ(object(model.cells[177]), (cell_object{4, 30, 0, 0, 0, 0}));
  EXPECT_EQ(slowdown_cells(model), (std::array<int, 4>{1, 1, 1, 0}));

  // Shorter than a cell: start and end fall on cell 201, which stays a start.
  const scenario_model short_one = compile_train("rallentamento, 10000, 30, 20, 2, 0, 4\r\n");
  ASSERT_EQ(short_one.error_kind, 0) << short_one.diagnostic.detail;
  EXPECT_EQ(object(short_one.cells[201]), (cell_object{3, 30, 4, 2, 0, 0}));
  EXPECT_EQ(slowdown_cells(short_one), (std::array<int, 4>{1, 1, 0, 0}));
}

// A signal on the warning (177), start (201), end (213) or a countdown cell
// (175) of a slowdown at 10000; only a countdown failure leaves the others.
TEST(TrainObjects, SlowdownNeedsFreeCells) {
  const struct {
    int signal_position, error_kind, written;
  } cases[] = {{8800, 17, 0}, {10000, 18, 0}, {10600, 19, 0}, {8700, 20, 1}};
  for (const auto& c : cases) {
    const scenario_model model =
        compile_train(signal_at(c.signal_position) + "rallentamento, 10000, 30, 600, 2, 1, 0\r\n");
    EXPECT_EQ(model.error_kind, c.error_kind) << c.signal_position;
    EXPECT_EQ(count_cells(model, cell_kind::signal), 1) << c.signal_position;
    EXPECT_EQ(slowdown_cells(model), (std::array<int, 4>{c.written, c.written, c.written, 0})) << c.signal_position;
  }
}

TEST(TrainObjects, ReductionPoints) {
  const struct { int value, cell_type, param_1; } cases[] = {{180, 12, 180}, {0, 13, 0}, {-5, 13, 0}};
  for (const auto& c : cases) {
    const scenario_model model = compile_train("abbattimento, 20000, " + std::to_string(c.value) + "\r\n");
    ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
    EXPECT_EQ(object(model.cells[400]), (cell_object{c.cell_type, c.param_1, 0, 0, 0, 0})) << c.value;
  }
  // The signal at 19950 stands on cell 400.
  const scenario_model taken = compile_train(signal_at(19950) + "abbattimento, 20000, 180\r\n");
  EXPECT_EQ(taken.error_kind, 7);
  EXPECT_EQ(taken.cells[400].cell_type, cell_kind::signal);
}

}  // namespace
}  // namespace compila::testing
