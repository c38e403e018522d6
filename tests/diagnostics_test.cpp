// Every diagnostic of the build, reached through the real reading of source
// texts, reported with the file and line where it arose.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "model/diagnostics.h"
#include "model/error_kinds.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

const std::string line_file = std::string(line_name) + "_linea.txt";
const std::string train_file = std::string(line_name) + "_" + train_number + "-.txt";

std::string general(const std::string& records) {
  return "[generale]\r\nlunghezza percorso, 82000\r\n" + records + "[curve]\r\n[fine]\r\n";
}

std::string station(int position, int kind, int length) {
  return "stazione, " + std::to_string(position) + ", " + std::to_string(kind) + ", " + std::to_string(length) +
         ", 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
}

std::string many_stations(int count) {
  std::string records;
  for (int i = 1; i <= count; ++i) records += station(i * 1000, 26, 100);
  return records;
}

// Slowdown at 20000 of the given speed, 600 m long: start cell 401, end 413,
// warning board 377, countdown cells 376 to 373 when asked for.
std::string slowdown(int speed, int countdown = 0) {
  return "rallentamento, 20000, " + std::to_string(speed) + ", 600, 0, " + std::to_string(countdown) + ", 0\r\n";
}

std::string signal_at(int position) {
  return "segnale, " + std::to_string(position) + ", 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\n";
}

std::string signals_on(std::initializer_list<int> cells) {
  std::string records;
  for (int cell : cells) records += signal_at((cell - 1) * 50);
  return records;
}

struct diagnostic_case {
  int code;
  std::string line_text;
  std::string train_text;
  const std::string* file;
  int line;  // 0: not from a line of the file
};

TEST(Diagnostics, EveryCodeIsReachedAndReportedWhereItArose) {
  const diagnostic_case cases[] = {
      {1, "[generale]\r\nsfondo uno, 0\r\nlunghezza percorso, 1000001\r\n", "", &line_file, 3},
      {2, general("progressiva chilometrica uno, 5025, 0, 0\r\n"), train_source(""), &line_file, 3},
      {3, general("ripetizione segnali 4 codici, 25, 0\r\n"), "", &line_file, 3},
      {4, general("ripetizione segnali 4 codici, 0, 25\r\n"), "", &line_file, 3},
      {5, general("ripetizione segnali codici, 50, 100\r\n"), "", &line_file, 3},
      {6, line_source("cartello_indicatore, 1500, A\r\ncartello_indicatore, 1500, B\r\n"), "", &line_file, 5},
      {7, line_source(""), train_source("abbattimento, 20000, 180\r\nabbattimento, 20000, 180\r\n"), &train_file, 3},
      {8, line_source(""), train_source(station(125, 26, 100)), &train_file, 2},
      {9, line_source(""), train_source(station(10000, 26, 250)), &train_file, 2},
      {10, line_source(""), train_source(many_stations(79)), &train_file, 80},
      {11, line_source(""), train_source(signals_on({359, 360, 361}) + slowdown(120)), &train_file, 0},
      {12, line_source(""), train_source(signals_on({394, 395, 396}) + slowdown(60)), &train_file, 0},
      {13, line_source(""), train_source(slowdown(60) + signals_on({408, 409, 410})), &train_file, 0},
      {15, line_source("pendenza, 0, 0\r\npendenza, 95000, 1\r\n"), "", &line_file, 5},
      {16, line_source(""), train_source(signal_at(12400) + signal_at(12400)), &train_file, 3},
      {17, line_source(""), train_source(signal_at(18800) + slowdown(60)), &train_file, 3},
      {18, line_source(""), train_source(signal_at(20000) + slowdown(60)), &train_file, 3},
      {19, line_source(""), train_source(signal_at(20600) + slowdown(60)), &train_file, 3},
      {20, line_source(""), train_source(signal_at(18750) + slowdown(60, 1)), &train_file, 3},
      {21, line_source("indicatori_vmax, 1500, 80,80,80,0, ,,,0\r\nindicatori_vmax, 1500, 40,40,40,0, ,,,0\r\n"), "",
       &line_file, 5},
      {22, line_source(""), train_source(station(10000, 26, 100) + station(10300, 26, 100)), &train_file, 3},
      {24, line_source(""), train_source(station(0, 4, 200)), &train_file, 2},
      {25, line_source(""), train_source("numero vetture, 2\r\nsabbia, 40000\r\n"), &train_file, 3},
      {102, "lunghezza percorso, 82000\r\n[fine]\r\n", "", &line_file, 2},
      {103, line_source("curva, 800, 300\r\n"), "", &line_file, 4},
  };
  for (const diagnostic_case& c : cases) {
    SCOPED_TRACE("diagnostic " + std::to_string(c.code));
    scenario_model model = compiled_model(c.line_text, c.train_text);
    post_process_track(model);
    EXPECT_EQ(model.error_kind, c.code) << model.diagnostic.detail;
    EXPECT_EQ(model.diagnostic.file, *c.file);
    EXPECT_EQ(model.diagnostic.line, c.line);
    // The report names the author's file; a diagnostic of the post-processing
    // stands at the record whose object asked for it.
    std::string where = c.file == &line_file ? "linea.txt" : "treno.txt";
    if (model.diagnostic.object_cell < 0) {
      if (c.line > 0) where.append(":").append(std::to_string(c.line));
      where.append(": diagnostic ").append(std::to_string(c.code)).append(": ");
    }
    EXPECT_EQ(diagnostic_report(model).substr(0, where.size()), where) << diagnostic_report(model);
  }
}

TEST(Diagnostics, MissingLineSourceIs101AndLeavesNoSourceBehind) {
  scenario_model model = named_model();
  memory_source_files files;
  files.files[train_source_name(model)] = train_source("");
  compile_sources(model, files);
  EXPECT_EQ(model.error_kind, 101);
  EXPECT_EQ(diagnostic_report(model).rfind("linea.txt: diagnostic 101: ", 0), 0u) << diagnostic_report(model);
  EXPECT_TRUE(files.files.empty());
}

TEST(Diagnostics, BeyondTheTrackNamesThePositionAndTheLastCell) {
  const scenario_model model = compiled_model(line_source("pendenza, 95000, 1\r\n"));
  EXPECT_EQ(diagnostic_report(model),
            "linea.txt:4: diagnostic 15: position 95000 lies beyond the track (last cell 1780) (record \"pendenza\")");
}

// Every positioned record is read up to the last position its range test
// lets through (50 x last cell - margin: 88900, stations 88200, on a route of
// 82000 m) and is beyond the track one metre further.
TEST(Diagnostics, EachPositionedRecordReachesItsLastPositionAndNoFurther) {
  const struct {
    const char* line_record;  // the position stands for "%"
    const char* train_record;
    int last;
  } cases[] = {
      {"pendenza, %, 3", "", 88900},
      {"curvas3, %, 0", "", 88900},
      {"montagna, %, 89000, 11", "", 88900},
      {"indicatori_vmax, %, 80,80,80,0, ,,,0", "", 88900},
      {"cartello_indicatore, %, (X)", "", 88900},
      {"", "velocita, %, 80", 88900},
      {"", "aderenza, %, 90", 88900},
      {"", "segnale, %, 1, 4, 1, 0, 0, 0, 0,0,0, 0", 88900},
      {"", "rallentamento, %, 60, 50, 0, 0, 0", 88900},
      {"", "abbattimento, %, 180", 88900},
      {"", "stazione, %, 26, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S", 88200},
  };
  auto at = [](std::string record, int position) {
    if (record.empty()) return record;
    return record.replace(record.find('%'), 1, std::to_string(position)) + "\r\n";
  };
  for (const auto& c : cases) {
    for (int position : {c.last, c.last + 1}) {
      SCOPED_TRACE(at(std::string(c.line_record) + c.train_record, position));
      const scenario_model model =
          compiled_model(line_source(at(c.line_record, position)), train_source(at(c.train_record, position)));
      EXPECT_EQ(model.error_kind, position == c.last ? 0 : 15) << model.diagnostic.detail;
    }
  }
}

// Positions before the start of the track, and objects whose cells run past
// either end, never write outside the cells: either nothing falls on the
// track or the reading takes the fault exit (25).
TEST(Diagnostics, ObjectsOutsideTheTrackAreRefusedOrPlaceNothing) {
  const struct {
    const char* line_records;
    const char* train_records;
    int code;
  } cases[] = {
      {"pendenza, -500, 3\r\n", "", 0},
      {"curvas3, -500, 100\r\n", "", 0},
      {"montagna, -500, -100, 11\r\n", "", 25},
      {"montagna, 88000, 95000, 11\r\n", "", 25},
      {"indicatori_vmax, -500, 80,80,80,0, ,,,0\r\n", "", 25},
      {"cartello_indicatore, -500, (X)\r\n", "", 25},
      {"", "velocita, -500, 80\r\naderenza, -500, 90\r\n", 0},
      {"", "segnale, -500, 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\n", 25},
      {"", "segnale, 100, 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\n", 25},  // approach cells before cell 0
      {"", "rallentamento, -500, 60, 100, 0, 0, 0\r\n", 25},
      {"", "rallentamento, 88900, 60, 5000, 0, 1, 0\r\n", 25},  // end beyond the last cell
      {"", "abbattimento, -500, 180\r\n", 25},
      {"", "stazione, -500, 26, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n", 0},  // no track marks
      {"", "stazione, -500, 12, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n", 24},
      {"", "stazione, 88200, 7, 5000, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n", 25},  // stop beyond the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line_records) + c.train_records);
    scenario_model model = compiled_model(line_source(c.line_records), train_source(c.train_records));
    EXPECT_EQ(model.error_kind, c.code) << model.diagnostic.detail;
    EXPECT_EQ(model.cells.size(), 1781u);
    post_process_track(model);
  }
}

}  // namespace
// Every kind is told apart by its code and its name, and has a meaning of
// its own: a row copied without its fields changed would break that.
TEST(ErrorKinds, EveryKindHasItsOwnCodeNameAndMeaning) {
  std::set<std::int32_t> codes;
  std::set<std::string_view> names, meanings;
  for (const error_kinds::error_kind& kind : error_kinds::table) {
    SCOPED_TRACE(std::string(kind.name));
    EXPECT_GT(kind.code, 0);  // 0 is "no diagnostic"
    EXPECT_TRUE(codes.insert(kind.code).second);
    EXPECT_TRUE(names.insert(kind.name).second);
    EXPECT_TRUE(meanings.insert(kind.meaning).second);
    EXPECT_FALSE(kind.meaning.empty());
    EXPECT_EQ(error_kinds::meaning(kind.code), kind.meaning);
  }
  EXPECT_EQ(error_kinds::meaning(14), "unknown diagnostic");
}

// The one formatter of a diagnostic, for the program and scenario_tool
// build and check alike: bytes from a source file made printable and cut.
TEST(Diagnostics, TextKeepsAnyFieldPrintableAndShort) {
  const std::string long_detail(250, 'd'), long_keyword(45, 'k');
  const struct {
    diagnostic_site site;
    std::int32_t code;
    std::string line;
  } cases[] = {
      {{"a_linea.txt", 4, "pendenza", ""},
       15,
       "a_linea.txt:4: diagnostic 15: a position beyond the track (record \"pendenza\")"},
      {{"a_linea.txt", 0, "", ""}, 101, "a_linea.txt: diagnostic 101: line source file missing"},
      {{"b-.txt", 2, "seg\tnale\x7f",
        "bad\x01"
        "field"},
       16,
       "b-.txt:2: diagnostic 16: bad?field (record \"seg?nale?\")"},
      {{"b-.txt", 3, long_keyword, long_detail},
       25,
       "b-.txt:3: diagnostic 25: " + std::string(200, 'd') + "... (record \"" + std::string(40, 'k') + "...\")"},
      {{"b-.txt", 3, "", ""}, 14, "b-.txt:3: diagnostic 14: unknown diagnostic"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(diagnostic_line(c.code, c.site), c.line);
    scenario_model model;
    model.error_kind = c.code;
    model.diagnostic = c.site;
    EXPECT_EQ(diagnostic_report(model), c.line);
  }
  EXPECT_EQ(problem_line({"F/scenario.txt", 0, "no line_name= line"}), "F/scenario.txt: no line_name= line");
  EXPECT_EQ(problem_line({"F/linea.txt", 12, "control character 0x09"}), "F/linea.txt:12: control character 0x09");
}

}  // namespace compila::testing
