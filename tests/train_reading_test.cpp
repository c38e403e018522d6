// Train source reading: structure of the file, train data, the speed and
// adhesion profiles, range tests and the ways the reading ends.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/compile_sources.h"
#include "model/file_names.h"
#include "reading/reading_observer.h"
#include "test_support.h"
#include "train_compiler/train_source.h"

namespace compila::testing {
namespace {

scenario_model compile_train(const std::string& records, const std::string& line_records = "") {
  return compiled_model(line_source(line_records), train_source(records));
}

// Each run is {first cell, last cell, value}.
void expect_runs(const scenario_model& model, std::uint8_t track_cell::*field,
                 std::initializer_list<std::array<int, 3>> runs) {
  for (const auto& [first, last, value] : runs)
    for (int c = first; c <= last; ++c) ASSERT_EQ(model.cells[c].*field, value) << "cell " << c;
}

TEST(TrainReading, EmbeddedTrainDataAndProfiles) {
  const scenario_model model = compiled_model(line_source(""), embedded_train_source());
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  expect_runs(model, &track_cell::speed_limit,
              {{0, 29, 6},
               {30, 513, 16},
               {514, 539, 6},
               {540, 715, 16},
               {716, 822, 8},
               {823, 1665, 16},
               {1666, 1777, 6},
               {1778, 1780, 0}});
  expect_runs(model, &track_cell::adhesion, {{0, 1777, 100}, {1778, 1780, 0}});
  const item &cars = model.items[84], &train = model.items[86];
  EXPECT_EQ((std::array<int, 6>{cars.start_m, cars.at_m, train.word_1, train.word_3, train.word_4, train.word_5}),
            (std::array<int, 6>{100, 2, 0, 11, 34, 30}));
  for (const track_cell& cell : model.cells) {  // no reduction point
    ASSERT_NE(cell.cell_type, cell_kind::reduction_with_value);
    ASSERT_NE(cell.cell_type, cell_kind::reduction_without_value);
  }
}

// The first comment names a record: were it tested, "sabbia" would be read as
// its number and the reading would fail. The surplus 99 is read as a keyword
// field and ignored.
TEST(TrainReading, CommentFieldsAndASurplusValue) {
  const scenario_model model = compile_train(
      "-- sabbia --\r\n------\r\nsabbia, 3, 99\r\nnumero vetture, 4\r\n"
      "------\r\n------\r\n-- stazione --, 10000, 26, 400, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, LA-COMMENTATA\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(model.items[86].word_1, 3);
  EXPECT_EQ(model.items[84].at_m, 4);
  EXPECT_EQ(model.items[1].at_m, 10000);
  EXPECT_EQ(model.items[1].text, "LA-COMMENTATA");
}

TEST(TrainReading, FileEndingInsideAStationIsAFaultAndBothSourcesAreGone) {
  scenario_model model = named_model();
  memory_source_files files;
  files.files[line_source_name(model)] = line_source("");
  files.files[train_source_name(model)] = "[generale]\r\nstazione, 10000, 12, 400, 0\r\n";
  compile_sources(model, files);
  EXPECT_EQ(model.error_kind, 25);
  EXPECT_TRUE(files.files.empty());
}

// The end of reading (fills, then the chainage check that a breakpoint at 5025
// fails) runs after a normal end, after 15 and without "[generale]", not after
// the record exit or the fault exit.
TEST(TrainReading, WhichEndsFillTheProfilesAndCheckTheChainage) {
  const std::string line =
      "[generale]\r\nlunghezza percorso, 82000\r\nprogressiva chilometrica uno, 5025, 0, 0\r\n[curve]\r\n[fine]\r\n";
  const struct {
    std::string train;
    int error_kind, speed_of_cell_0;
  } cases[] = {
      {"[generale]\r\nvelocita, 0, 80\r\n[fine]\r\n", 2, 16},
      {"velocita, 0, 80\r\nsabbia, 5\r\n[fine]\r\n", 2, 0},  // no "[generale]": nothing is read
      {"[generale]\r\nvelocita, 0, 80\r\nvelocita, 88950, 30\r\n[fine]\r\n", 2, 16},
      {"[generale]\r\nvelocita, 0, 80\r\nstazione, 10025\r\n[fine]\r\n", 8, 0},
      {"[generale]\r\nvelocita, 0, 80\r\nsabbia, 40000\r\n[fine]\r\n", 25, 0},
  };
  for (const auto& c : cases) {
    const scenario_model model = compiled_model(line, c.train);
    EXPECT_EQ(model.error_kind, c.error_kind) << c.train;
    EXPECT_EQ(model.items[86].word_1, 0) << c.train;
    EXPECT_EQ(model.cells[0].speed_limit, c.speed_of_cell_0) << c.train;
    EXPECT_EQ(model.cells[1777].speed_limit, c.speed_of_cell_0) << c.train;
  }
}

TEST(TrainReading, LastPositionsWithinTheTrack) {
  const struct {
    std::string record;
    int passing, failing;
  } cases[] = {
      {"velocita, P, 30", 88900, 88950},
      {"aderenza, P, 50", 88900, 88950},
      {"segnale, P, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", 88900, 88950},
      {"rallentamento, P, 30, 0, 0, 0, 0", 88900, 88950},
      {"abbattimento, P, 5", 88900, 88950},
      {"stazione, P, 26, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, FINE", 88200, 88250},
  };
  for (const auto& c : cases) {
    for (int position : {c.passing, c.failing}) {
      std::string record = c.record;
      record.replace(record.find('P'), 1, std::to_string(position));
      const scenario_model model = compile_train(record + "\r\n");
      EXPECT_EQ(model.error_kind, position == c.passing ? 0 : 15) << record << ": " << model.diagnostic.detail;
    }
  }
}

// Each shipped keyword matches its own test only and reaches its own record.
TEST(TrainReading, EachKeywordReachesItsOwnRecord) {
  struct effect {
    std::string record;
    std::function<bool(const scenario_model&)> read;
  };
  using m = const scenario_model&;
  const std::map<std::string_view, effect> effects = {
      {"percentuale massa frenata", {"percentuale massa frenata, 77", [](m m) { return m.items[84].start_m == 77; }}},
      {"numero vetture", {"numero vetture, 4", [](m m) { return m.items[84].at_m == 4; }}},
      {"velocita", {"velocita, 0, 100", [](m m) { return m.cells[0].speed_limit == 20; }}},
      {"aderenza", {"aderenza, 0, 90", [](m m) { return m.cells[0].adhesion == 90; }}},
      {"orologio", {"orologio, 11, 34, 30", [](m m) { return m.items[86].word_3 == 11 && m.items[86].word_5 == 30; }}},
      {"sabbia", {"sabbia, 3", [](m m) { return m.items[86].word_1 == 3; }}},
      {"segnale",
       {"segnale, 1000, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", [](m m) { return m.cells[21].cell_type == cell_kind::signal; }}},
      {"rallentamento",
       {"rallentamento, 3200, 60, 400, 0, 1, 0",
        [](m m) { return m.cells[65].cell_type == cell_kind::slowdown_start; }}},
      {"abbattimento",
       {"abbattimento, 1800, 120", [](m m) { return m.cells[36].cell_type == cell_kind::reduction_with_value; }}},
      {"stazione",
       {"stazione, 10000, 26, 400, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, X",
        [](m m) { return m.items[1].at_m == 10000 && m.items[1].text == "X"; }}},
  };
  const std::span<const keyword_test> tests = train_record_tests();
  ASSERT_EQ(tests.size(), effects.size());
  compila::testing::expect_each_keyword_matches_only_its_own_test(tests);
  for (const keyword_test& test : tests) {
    const auto found = effects.find(test.record);
    ASSERT_NE(found, effects.end()) << test.record;
    const scenario_model model = compile_train(found->second.record + "\r\n");
    EXPECT_EQ(model.error_kind, 0) << found->second.record << ": " << model.diagnostic.detail;
    EXPECT_TRUE(found->second.read(model)) << found->second.record;
  }
}

// A field holding two keywords reads both records in the order of the table,
// each its own values; a record that ends the reading leaves the next unread.
TEST(TrainReading, AFieldWithTwoKeywordsReadsBothInTableOrder) {
  const scenario_model both = compile_train("aderenza velocita, 0, 100, 0, 90\r\n");
  ASSERT_EQ(both.error_kind, 0) << both.diagnostic.detail;
  EXPECT_EQ(both.cells[0].speed_limit, 20);
  EXPECT_EQ(both.cells[0].adhesion, 90);

  const scenario_model stopped = compile_train(
      "segnale, 1000, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
      "segnale rallentamento, 1000, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0, 3200, 60, 400, 0, 1, 0\r\n");
  EXPECT_EQ(stopped.error_kind, 16);
  EXPECT_EQ(stopped.cells[65].cell_type, cell_kind::nothing);
}

// Keywords in capitals and a speed keyword with an accented last letter. Speed
// codes are rounded fifths that must fit a byte; adhesion keeps its low byte.
// An entry at 88900 fills up to cell 1777, and the end of reading still writes
// its value into cell 1778; the first adhesion entry holds from cell 0.
TEST(TrainReading, KeywordCaseAndValueConversions) {
  const scenario_model model =
      compile_train("NUMERO VETTURE, 7\r\nVELOCITA, 0, 32\r\nvelocit\xE0, 88900, 33\r\nADERENZA, 1000, 300\r\n");
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(model.items[84].at_m, 7);
  expect_runs(model, &track_cell::speed_limit, {{0, 1777, 6}, {1778, 1778, 7}, {1779, 1780, 0}});
  expect_runs(model, &track_cell::adhesion, {{0, 1777, 44}});
  for (auto [speed, kind] : {std::pair{1277, 0}, {1278, 25}, {-2, 0}, {-3, 25}})
    EXPECT_EQ(compile_train("velocita, 0, " + std::to_string(speed) + "\r\n").error_kind, kind) << speed;
}

// A diagnostic left by the line source (a gradient beyond the track) lets the
// first signal or slowdown place its objects and then ends the reading.
TEST(TrainReading, PositionBeyondTheTrackInTheLineSourceStopsAtTheFirstSignal) {
  const struct {
    std::string record;
    int cell, cell_type;
  } cases[] = {
      {"segnale, 12400, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", 249, cell_kind::signal},
      {"rallentamento, 10000, 30, 600, 0, 0, 0", 201, cell_kind::slowdown_start},
  };
  for (const auto& c : cases) {
    const scenario_model model =
        compile_train("velocita, 0, 80\r\nsabbia, 1\r\n" + c.record + "\r\nsabbia, 7\r\n", "pendenza, 90000, 3\r\n");
    EXPECT_EQ(model.error_kind, 15) << c.record;
    EXPECT_EQ(model.cells[c.cell].cell_type, c.cell_type) << c.record;
    EXPECT_EQ(model.items[86].word_1, 1) << c.record;
    EXPECT_EQ(model.cells[0].speed_limit, 0) << c.record;  // the profiles are not completed
  }
}

// What an observer (scenario_tool check) hears of a clean reading: every
// record with the line of its keyword and its numbers in file order, and
// every object with its cell and the cell's type before it.
TEST(ReadingObserver, HearsEachRecordWithItsNumbersAndEachObjectPlaced) {
  struct listener final : reading_observer {
    std::vector<std::string> heard;
    void record_read(const record_note& note) override {
      std::string text =
          std::string(note.file.substr(0, 1)) + std::to_string(note.line) + " " + std::string(note.record);
      for (std::int64_t value : note.values) text += " " + std::to_string(value);
      heard.push_back(text);
    }
    void object_placed(std::int64_t cell, std::string_view file, std::int32_t line, std::uint8_t previous) override {
      heard.push_back(std::string(file.substr(0, 1)) + std::to_string(line) + " object on " + std::to_string(cell) +
                      " over " + std::to_string(previous));
    }
  } observer;
  scenario_model model = named_model();
  memory_source_files files;
  files.files[line_source_name(model)] = line_source(
      "pendenza, 1000, 7\r\ncurvas3, 800, 300\r\nmontagna, 1400, 1700, 11\r\n"
      "indicatori_vmax, 1500, 80, 80, 80, 0, 60, 60, 60, 2\r\ncartello_indicatore, 1100, (X)\r\n");
  files.files[train_source_name(model)] = train_source(
      "velocita, 0, 80\r\naderenza, 0, 90\r\n"
      "stazione, 10000, 12, 100, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, S\r\n"
      "segnale, 12400, 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\nabbattimento, 30000, 80\r\n");
  compile_sources(model, files, &observer);
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  const std::vector<std::string> expected = {
      "C2 lunghezza percorso 82000",
      "C4 pendenza 1000 7",
      "C5 curva 800 300",
      "C6 montagna 1400 1700 11",
      "C7 indicatori_vmax 1500 80 80 80 0 60 60 60 2",
      "C7 object on 31 over 11",  // the tunnel marker it replaces
      "C8 cartello_indicatore 1100",
      "C8 object on 23 over 0",
      "C2 velocita 0 80",
      "C3 aderenza 0 90",
      "C4 stazione 10000 12 100 1 2 3 4 5 6 7 8 9 10 11 12 13",
      "C4 object on 201 over 0",  // the stopping point
      "C5 segnale 12400 1 4 1 0 0 0 0 0 0 0",
      "C5 object on 249 over 0",
      "C6 abbattimento 30000 80",
      "C6 object on 600 over 0",
  };
  EXPECT_EQ(observer.heard, expected);
}

}  // namespace
}  // namespace compila::testing
