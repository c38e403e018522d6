// scenario_tool check: every warning fires where it should and stays quiet
// where it should not, bad records are all reported at their folder lines, and
// the observed reading leaves what a build writes unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "model/scenario_text.h"
#include "scenario/scenario_folder.h"
#include "test_support.h"
#include "tool/check/scenario_check.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;
using lines = std::vector<std::string>;

// A small clean scenario (a 5 km line, two stations, one slowdown): the check
// finds nothing in it. Each case below edits it.
const lines base_line = {
    "[generale]",                   // 1
    "lunghezza percorso,    5000",  // 2
    "[curve]",                      // 3
    "curvad3,  1200,  400",         // 4
    "[pendenze]",                   // 5
    "pendenza,     0,    0",        // 6
    "pendenza,  1800,    6",        // 7
    "[montagne]",                   // 8
    "montagna,  4000,  4300,  11",  // 9
    "[fine]",                       // 10
};
const lines base_train = {
    "[generale]",                                                                      // 1
    "numero vetture,    2",                                                            // 2
    "aderenza,   0,    100",                                                           // 3
    "velocita,      0,    60",                                                         // 4
    "velocita,   1500,   100",                                                         // 5
    "stazione,      0,  4, 1000,  1, 1, 0,  4,1,0,  2,1,1,    1,   8, 0, 0, PRIMA",    // 6
    "stazione,   2500, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   8, 3, 0, MEZZANA",  // 7
    "rallentamento,   3200,   60,   400,   0,   1,   0",                               // 8
    "segnale,   1000,   1, 4, 1,  0, 0,    0,  0,0,0, 0",                              // 9
    "segnale,   3900,   1, 4, 1,  0, 0,    0,  0,0,0, 0",                              // 10
    "[fine]",                                                                          // 11
};

// A third station, from 4400 to 5000 m, its stopping point on cell 99.
const std::string last_station = "stazione,   4700, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,  0,  8, 7, 0, V";

struct scenario_lines {
  lines line = base_line;
  lines train = base_train;
  std::vector<std::string_view> line_views, train_views;
  scenario_text text;

  const scenario_text& as_text() {
    line_views.assign(line.begin(), line.end());
    train_views.assign(train.begin(), train.end());
    text = scenario_text{"Valle", "7", line_views, train_views, {}, {}, {}};
    return text;
  }
};

std::vector<check_finding> check(scenario_lines& s) {
  std::vector<check_finding> findings = check_scenario(s.as_text());
  order_findings(findings);
  return findings;
}

std::string listed(const std::vector<check_finding>& findings) {
  std::string text;
  for (const check_finding& f : findings)
    text += (f.file == source_file::line ? "linea:" : "treno:") + std::to_string(f.line) + " " +
            (f.name.empty() ? "error" : std::string(f.name)) + ": " + f.message + "\n";
  return text;
}

// Inserts `text` so that it becomes line `line` (from 1) of the file.
void put(lines& file, std::size_t line, const std::string& text) { file.insert(file.begin() + (line - 1), text); }

TEST(Check, TheBaseScenarioIsClean) {
  scenario_lines s;
  EXPECT_EQ(listed(check(s)), "");
}

struct finding_case {
  const char* name;
  source_file file;
  std::int32_t line;  // where it fires
  std::function<void(scenario_lines&)> fires, quiet;
};

// Each named finding, with an edit of the base scenario that makes it fire
// at one line and a close one that stays quiet.
std::vector<finding_case> finding_cases() {
  return {
      {"unknown-keyword", source_file::line, 10, [](auto& s) { put(s.line, 10, "pendenze,  2000,    6"); },
       [](auto& s) { put(s.line, 10, "pendenza,  2000,    6"); }},
      {"unknown-keyword", source_file::train, 6, [](auto& s) { put(s.train, 6, "stazoine,  1, 2"); },
       [](auto& s) { put(s.train, 6, "-- stazoine"); }},
      {"keyword-case", source_file::line, 3,  // exact-case general keyword in capitals
       [](auto& s) { put(s.line, 3, "Sfondo uno,    2"); }, [](auto& s) { put(s.line, 3, "sfondo uno,    2"); }},
      {"commented-record", source_file::line, 3,  // a general keyword in the general section
       [](auto& s) { put(s.line, 3, "lunghezza-percorso,  5000"); },
       [](auto& s) { put(s.line, 3, "-- lunghezza percorso: five km"); }},
      {"commented-record", source_file::train, 4, [](auto& s) { put(s.train, 4, "-velocita, 2000, 80"); },
       [](auto& s) { put(s.train, 4, "- velocita 80"); }},
      {"comma-in-comment", source_file::line, 10, [](auto& s) { put(s.line, 10, "- a note, about the tunnel"); },
       [](auto& s) { put(s.line, 10, "- a note about the tunnel"); }},
      {"text-comma", source_file::train, 8,
       [](auto& s) { put(s.train, 8, "stazione, 4700, 12, 600, 1,1,0, 1,1,0, 2,1,1, 0, 8,7,0, S.ELIA, PAESE"); },
       [](auto& s) { put(s.train, 8, "stazione, 4700, 12, 600, 1,1,0, 1,1,0, 2,1,1, 0, 8,7,0, S.ELIA PAESE"); }},
      {"split-number", source_file::train, 5, [](auto& s) { s.train[4] = "velocita,   1,500,   100"; },
       [](auto& s) { s.train[4] = "velocita,   1500,   100"; }},
      {"value-wraps", source_file::line, 7, [](auto& s) { s.line[6] = "pendenza,  1800,  200"; },
       [](auto& s) { s.line[6] = "pendenza,  1800,  155"; }},
      {"value-wraps", source_file::line, 7, [](auto& s) { s.line[6] = "pendenza,  1800,  -101"; },
       [](auto& s) { s.line[6] = "pendenza,  1800,  -100"; }},
      {"value-wraps", source_file::train, 3, [](auto& s) { s.train[2] = "aderenza,   0,    256"; },
       [](auto& s) { s.train[2] = "aderenza,   0,    255"; }},
      {"value-wraps", source_file::line, 9, [](auto& s) { s.line[8] = "montagna,  4000,  4300,  266"; },
       [](auto& s) { s.line[8] = "montagna,  4000,  4300,  265"; }},
      {"value-wraps", source_file::train, 8, [](auto& s) { s.train[7] = "rallentamento, 3200, 40000, 400, 0, 1, 0"; },
       [](auto& s) { s.train[7] = "rallentamento, 3200, 32767, 400, 0, 1, 0"; }},
      {"curve-keyword", source_file::line, 4, [](auto& s) { s.line[3] = "curva destra 3,  1200,  400"; },
       [](auto& s) { s.line[3] = "curva d 3,  1200,  400"; }},
      {"curve-keyword", source_file::line, 4, [](auto& s) { s.line[3] = "curvad3 r250,  1200,  400"; },
       [](auto& s) { s.line[3] = "curvad3 r0,  1200,  400"; }},
      {"misplaced-record", source_file::line, 3, [](auto& s) { put(s.line, 3, "pendenza,  100,    2"); },
       [](auto& s) { put(s.line, 3, "sfondo due,    1"); }},
      {"misplaced-record", source_file::train, 1, [](auto& s) { put(s.train, 1, "numero vetture,    3"); },
       [](auto& s) { put(s.train, 1, "the train of the morning"); }},
      {"after-end", source_file::line, 11,
       [](auto& s) {
         s.line.insert(s.line.end(), {"pendenza,  2000,    1", "[fine]"});
       },
       [](auto& s) { put(s.line, 10, "pendenza,  2000,    1"); }},
      {"comment-run", source_file::train, 4,
       [](auto& s) {
         s.train.insert(s.train.begin() + 1, {"-- one", "-- two", "-- three"});
       },
       [](auto& s) {
         s.train.insert(s.train.begin() + 1, {"-- one", "-- two"});
       }},
      {"extra-value", source_file::line, 10, [](auto& s) { put(s.line, 10, "pendenza,  2000,    1,    5"); },
       [](auto& s) { put(s.line, 10, "pendenza,  2000,    1"); }},
      {"multiple-records", source_file::line, 10,
       [](auto& s) { put(s.line, 10, "pendenza curvas2,  2000,  1,  2500,  100"); },
       [](auto& s) { put(s.line, 10, "curvas2,  2500,  100"); }},
      {"position-order", source_file::train, 6, [](auto& s) { put(s.train, 6, "velocita,   1000,    80"); },
       [](auto& s) { put(s.train, 6, "velocita,   2000,    80"); }},
      {"position-order", source_file::line, 8,  // a gradient repeating the position
       [](auto& s) { put(s.line, 8, "pendenza,  1800,    2"); },
       [](auto& s) { put(s.line, 8, "pendenza,  1850,    2"); }},
      {"station-times", source_file::train, 8,
       [](auto& s) { put(s.train, 8, "stazione,   4700, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,  0,  8, 1, 0, VALLE"); },
       [](auto& s) { put(s.train, 8, "stazione,   4700, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,  0,  8, 7, 0, VALLE"); }},
      {"past-route-end", source_file::line, 10, [](auto& s) { put(s.line, 10, "montagna,  4500,  5100,  11"); },
       [](auto& s) { put(s.line, 10, "montagna,  4500,  4900,  11"); }},
      {"past-route-end", source_file::line, 5, [](auto& s) { put(s.line, 5, "curvas2,  4800,  300"); },
       [](auto& s) { put(s.line, 5, "curvas2,  4600,  300"); }},
      {"overlap", source_file::line, 5,  // a curve inside the one before it
       [](auto& s) { put(s.line, 5, "curvad2,  1400,  100"); },
       [](auto& s) { put(s.line, 5, "curvad2,  1700,  100"); }},
      {"overlap", source_file::train, 12,  // a station's stopping point (cell 99) over a signal
       [](auto& s) {
         s.train.insert(s.train.begin() + 10, {"segnale, 4900, 1,4,1,0,0,0,0,0,0,0", last_station});
       },
       [](auto& s) {
         s.train.insert(s.train.begin() + 10, {"segnale, 4950, 1,4,1,0,0,0,0,0,0,0", last_station});
       }},
      {"reversed-span", source_file::line, 10, [](auto& s) { put(s.line, 10, "montagna,  4500,  4400,  11"); },
       [](auto& s) { put(s.line, 10, "montagna,  4400,  4500,  11"); }},
      {"reversed-span", source_file::train, 8,  // a slowdown whose end falls on its start cell
       [](auto& s) { put(s.train, 8, "rallentamento,   600,   120,   10,   0,   0,   0"); },
       [](auto& s) { put(s.train, 8, "rallentamento,   600,   120,   100,   0,   0,   0"); }},
  };
}

TEST(Check, EveryFindingFiresWhereItShouldAndStaysQuietOtherwise) {
  std::set<std::string_view> covered;
  for (const finding_case& c : finding_cases()) {
    SCOPED_TRACE(c.name);
    scenario_lines firing, quiet;
    c.fires(firing);
    c.quiet(quiet);
    const std::vector<check_finding> found = check(firing);
    ASSERT_EQ(found.size(), 1u) << listed(found);
    EXPECT_EQ(found[0].name, c.name) << listed(found);
    EXPECT_EQ(found[0].is_error(), find_finding_kind(c.name)->level == severity::error);
    EXPECT_EQ(found[0].file, c.file);
    EXPECT_EQ(found[0].line, c.line) << listed(found);
    EXPECT_EQ(listed(check(quiet)), "");
    covered.insert(c.name);
  }
  for (const finding_kind& kind : check_finding_kinds()) {
    if (kind.name == "no-records" || kind.name == "utf8-undeclared") continue;  // tested on folders
    EXPECT_TRUE(covered.count(kind.name)) << kind.name << " has no case";
  }
}

// Five mistakes in the line source and four in the train source, each at its
// own line, where a build reports only one and stops reading.
TEST(Check, EveryPlantedMistakeIsListedAtItsFileAndLine) {
  scenario_lines s;
  s.line = {
      "[generale]",                                 // 1
      "lunghezza percorso,    5000",                // 2
      "ripetizione segnali 4 codici,    25,    0",  // 3  diagnostic 3
      "[curve]",                                    // 4
      "curva,  1200,  400",                         // 5  103: no class digit
      "pendenza,  1800,  x6",                       // 6  25: not a number
      "pendenze,  2000,    6",                      // 7  warning
      "montagna,  4000,  4300,  11",                // 8
      "indicatori_vmax,  1500,  80,80,80,0, ,,,0",  // 9
      "cartello_indicatore,  1500,  (A)",           // 10 6: cell taken by the board
      "pendenza,  99000,    1",                     // 11 15: beyond the track
      "[fine]",                                     // 12
  };
  put(s.train, 7, "stazione,   2525, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   8, 3, 0, X");  // 8
  put(s.train, 10, "segnale,   1000,   1, 4, 1,  0, 0,    0,  0,0,0, 0");  // line 11 finds its cell taken: 16
  put(s.train, 12, "abbattimento,   1800");                                // a value short: 25 at its line
  put(s.train, 13, "velocita,   1000,    80");                             // read all the same: order warning
  const std::string expected =
      "linea:3 error: diagnostic 3: signal repetition value 25 is not a multiple of 50 (record \"ripetizione "
      "segnali 4 codici\")\n"
      "linea:5 error: diagnostic 103: the curve keyword holds no class digit 1 to 6 (record \"curva\")\n"
      "linea:6 error: diagnostic 25: \"x6\" is not a whole number (record \"pendenza\")\n"
      "linea:7 unknown-keyword: \"pendenze\" matches no record keyword: the record is lost\n"
      "linea:10 error: diagnostic 6: signboard at 1500 on cell 31, which is not free: it holds the speed indicator "
      "board of linea.txt:9 (record \"cartello_indicatore\")\n"
      "linea:11 error: diagnostic 15: position 99000 lies beyond the track (last cell 240) (record \"pendenza\")\n"
      "treno:7 error: diagnostic 8: station position 2525 is not a multiple of 50 (record \"stazione\")\n"
      "treno:11 error: diagnostic 16: signal at 1000 on cell 21, which is not free: it holds the signal of "
      "treno.txt:10 (record \"segnale\")\n"
      "treno:12 error: diagnostic 25: \"velocita\" is not a whole number (line 13): is a value of the record "
      "missing? (record \"abbattimento\")\n"
      "treno:13 position-order: \"velocita\" at 1000 comes after the one at 1500 (line 5)\n";
  EXPECT_EQ(listed(check(s)), expected);
}

// The diagnostics found after the reading: the automatic reduction points,
// the chainage check, the refusals and a line without a route length.
TEST(Check, DiagnosticsAfterTheReadingAreLocatedAtTheirRecords) {
  struct after_case {
    std::function<void(scenario_lines&)> edit;
    std::string expected;
  } cases[] = {
      {[](auto& s) {
         s.train.insert(s.train.begin() + 9,
                        {"segnale, 2850, 1,4,1,0,0,0,0,0,0,0", "segnale, 2900, 1,4,1,0,0,0,0,0,0,0",
                         "segnale, 2950, 1,4,1,0,0,0,0,0,0,0"});
       },
       "treno:8 error: diagnostic 12: no free cell for an automatic reduction point before the slowdown start on "
       "cell 65 (cell 60, position 3000)\n"},
      {[](auto& s) { put(s.line, 2, "progressiva chilometrica uno,  5025,  0,  0"); },
       "linea:2 error: diagnostic 2: chainage breakpoint at 5025 with value 0 is not on a multiple of 50 (record "
       "\"progressiva chilometrica uno\")\n"},
      {[](auto& s) { put(s.line, 10, "indicatori_vmax,  0,  80,80,80,0, ,,,0"); },
       "linea:10 error: Errore n. 1250: a source put something in a reserved field of cell 1 or item 85; a build "
       "stops here\n"},
      {[](auto& s) { s.line.erase(s.line.begin() + 1); },
       "linea:0 error: no usable route length, so there is no track: a build writes no binary file\n"},
  };
  for (auto& c : cases) {
    scenario_lines s;
    c.edit(s);
    EXPECT_EQ(listed(check(s)), c.expected);
  }
}

// A record missing a value swallows the next record's keyword: the check
// goes on at that keyword's line, so the next record is still read.
TEST(Check, ResumesAtTheFieldThatOpensTheNextLine) {
  const struct {
    lines line_records;
    std::string expected;
  } cases[] = {
      {{"pendenza,  2000", "pendenza,  1000,  2"},  // the second is read: it goes backwards
       "linea:10 error: diagnostic 25: \"pendenza\" is not a whole number (line 11): is a value of the record "
       "missing? (record \"pendenza\")\n"
       "linea:11 position-order: \"pendenza\" at 1000 comes after the one at 1800 (line 7)\n"},
      {{"pendenza,  2000,  x,  pendenza,  1000,  2"},  // on one line: the rest of the line is passed over
       "linea:10 error: diagnostic 25: \"x\" is not a whole number (record \"pendenza\")\n"},
  };
  for (const auto& c : cases) {
    scenario_lines s;
    s.line.insert(s.line.begin() + 9, c.line_records.begin(), c.line_records.end());
    EXPECT_EQ(listed(check(s)), c.expected);
  }
}

// What a reading observer sees, without letting the reading go on.
class passive_observer final : public reading_observer {
 public:
  int notes = 0;
  void keyword_field(const keyword_note&) override { ++notes; }
  void record_read(const record_note&) override { ++notes; }
  void object_placed(std::int64_t, std::string_view, std::int32_t, std::uint8_t) override { ++notes; }
};

struct built {
  std::int32_t error_kind;
  std::string report;
  std::string line_data, items, track;
};

built build_model(const std::string& line_text, const std::string& train_text, reading_observer* observer,
                  std::vector<logged_diagnostic>* log) {
  scenario_model model = named_model();
  model.diagnostic_log = log;
  memory_source_files files;
  files.files[line_source_name(model)] = line_text;
  files.files[train_source_name(model)] = train_text;
  compile_sources(model, files, observer);
  if (!model.has_cells()) return {model.error_kind, diagnostic_report(model), {}, {}, {}};
  post_process_track(model);
  stamp_model(model);
  auto text = [](const byte_buffer& b) { return std::string(b.begin(), b.end()); };
  return {model.error_kind, diagnostic_report(model), text(encode_line_data(model)), text(encode_item_file(model)),
          text(encode_track_file(model))};
}

// A listening observer and the diagnostic log change nothing a build writes,
// for a clean scenario and for sources whose reading stops early.
TEST(Check, AnObservedReadingBuildsTheSameFiles) {
  const struct {
    std::string line_text, train_text;
  } cases[] = {
      {embedded_line_source(), embedded_train_source()},
      {line_source("pendenza, 0, 0\r\npendenza, 95000, 1\r\nmontagna, 3400, 3700, 11\r\n"),
       train_source("segnale, 12400, 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\nvelocita, 0, 80\r\n")},
      {line_source("cartello_indicatore, 1500, A\r\ncartello_indicatore, 1500, B\r\n"), train_source("")},
      {line_source(""), train_source("abbattimento, 20000\r\nsegnale, 12400, 1, 4, 1, 0, 0, 0, 0,0,0, 0\r\n")},
      {line_source(""), train_source("stazione, 125, 26, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n")},
  };
  for (const auto& c : cases) {
    passive_observer observer;
    std::vector<logged_diagnostic> log;
    const built plain = build_model(c.line_text, c.train_text, nullptr, nullptr);
    const built observed = build_model(c.line_text, c.train_text, &observer, &log);
    EXPECT_GT(observer.notes, 0);
    EXPECT_EQ(observed.error_kind, plain.error_kind);
    EXPECT_EQ(observed.report, plain.report);
    EXPECT_TRUE(observed.line_data == plain.line_data && observed.items == plain.items &&
                observed.track == plain.track);
    EXPECT_EQ(log.empty(), plain.error_kind == 0);
  }
}

using tool_run = process_result;

tool_run run_tool(const std::string& arguments, const fs::path& scratch) {
  return run_command("'" COMPILA_TOOL "' " + arguments, scratch);
}

void write_lines(const fs::path& path, const lines& content) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string& line : content) out << line << "\n";
}

// The tool on a folder: lines at the folder's own files, the count, the
// exit statuses, -Wno-NAME and --werror; and nothing written.
TEST(CheckCommand, ListsAtTheFolderFilesAndSetsTheStatus) {
  scratch_directory scratch;
  const fs::path folder = scratch.path / "s";
  fs::create_directories(folder);
  write_lines(folder / "scenario.txt", {"line_name=Valle", "train_number=7"});
  lines line = base_line;
  put(line, 10, "pendenze,  2000,    6");
  write_lines(folder / "linea.txt", line);
  write_lines(folder / "treno.txt", base_train);
  for (const char* name : {"note.txt", "rallentamenti.txt", "scheda_treno.txt"}) write_lines(folder / name, {});
  const std::string f = folder.string();

  tool_run r = run_tool("check '" + f + "'", scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, folder_file_path(f, "linea.txt") +
                       ":10: error: \"pendenze\" matches no record keyword: the record is lost "
                       "[-Wunknown-keyword]\n1 error, 0 warnings\n");
  r = run_tool("check -Wno-error=unknown-keyword '" + f + "'", scratch.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, folder_file_path(f, "linea.txt") +
                       ":10: warning: \"pendenze\" matches no record keyword: the record is lost "
                       "[-Wunknown-keyword]\n0 errors, 1 warning\n");
  EXPECT_EQ(run_tool("check --werror -Wno-error=unknown-keyword '" + f + "'", scratch.path).status, 1);
  EXPECT_EQ(run_tool("check -Werror -Wno-error=unknown-keyword '" + f + "'", scratch.path).status, 1);
  EXPECT_EQ(run_tool("check -Wno-error=no-such-finding '" + f + "'", scratch.path).status, 64);
  r = run_tool("check --werror -Wno-unknown-keyword '" + f + "'", scratch.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
  EXPECT_EQ(run_tool("check -Wno-such-warning '" + f + "'", scratch.path).status, 64);
  EXPECT_EQ(run_tool("check", scratch.path).status, 64);

  put(line, 11, "pendenza,  99000,    1");
  write_lines(folder / "linea.txt", line);
  r = run_tool("check '" + f + "'", scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(folder_file_path(f, "linea.txt") + ":11: error: diagnostic 15: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n2 errors, 0 warnings\n"), std::string::npos) << r.out;

  write_lines(folder / "treno.txt", {"[generale]", "riferimento fine del file", "[fine]"});
  r = run_tool("check '" + f + "'", scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), folder_file_path(f, "treno.txt") +
                                                   ":2: error: line equal to the end-of-list marker "
                                                   "\"riferimento fine del file\"");

  std::size_t left = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.path)) ++left;
  EXPECT_EQ(left, 1u) << "check wrote a file beside the folder";
}

// What build says of a bad record names the author's file and the record's
// own line, in the author's terms: what holds a taken cell, a missing value,
// a speed in km/h.
TEST(BuildCommand, DiagnosticsSpeakTheAuthorsTerms) {
  const struct {
    std::function<void(lines&)> edit;
    std::string expected;
  } cases[] = {
      {[](lines& t) { put(t, 10, "segnale,   1000,   1, 4, 1,  0, 0,    0,  0,0,0, 0"); },
       "treno.txt:10: diagnostic 16: signal at 1000 on cell 21, which is not free: it holds the signal of "
       "treno.txt:9 (record \"segnale\")\n"},
      {[](lines& t) { put(t, 10, "abbattimento,   1800"); },
       "treno.txt:10: diagnostic 25: \"segnale\" is not a whole number (line 11): is a value of the record "
       "missing? (record \"abbattimento\")\n"},
      {[](lines& t) { t[4] = "velocita,   1500,   100000"; },
       "treno.txt:5: diagnostic 25: speed limit 100000 km/h cannot be stored: the track holds limits from 0 to "
       "1275 km/h, in steps of 5 km/h (record \"velocita\")\n"},
  };
  for (const auto& c : cases) {
    scratch_directory scratch;
    const fs::path folder = scratch.path / "s";
    fs::create_directories(folder);
    fs::create_directories(scratch.path / "out");
    write_lines(folder / "scenario.txt", {"line_name=Valle", "train_number=7"});
    write_lines(folder / "linea.txt", base_line);
    lines train = base_train;
    c.edit(train);
    write_lines(folder / "treno.txt", train);
    for (const char* name : {"note.txt", "rallentamenti.txt", "scheda_treno.txt"}) write_lines(folder / name, {});
    const tool_run r = run_tool("build '" + folder.string() + "' -o out", scratch.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.expected);
  }
}

// The shipped folders: the starter is clean; the embedded scenario's last
// curve and mountain span run past its 82000 m route, and nothing else.
TEST(CheckCommand, ShippedFoldersGiveOnlyTheirKnownFindings) {
  scratch_directory scratch;
  tool_run r = run_tool("check '" COMPILA_SOURCE_DIR "/examples/starter'", scratch.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
  r = run_tool("check -Wno-past-route-end '" COMPILA_SCENARIO_DIR "'", scratch.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
}

// Through the tool on a folder: every error stops check with status 1 at
// its folder file and line, under its name; the empty or headless train
// source too.
TEST(CheckCommand, EveryLossStopsCheckAtItsFileAndLine) {
  std::vector<finding_case> cases;
  for (const finding_case& c : finding_cases())
    if (find_finding_kind(c.name)->level == severity::error) cases.push_back(c);
  cases.push_back({"no-records", source_file::train, 0, [](auto& s) { s.train.clear(); }, nullptr});
  cases.push_back({"no-records", source_file::train, 1, [](auto& s) { s.train[0] = "[general]"; }, nullptr});
  for (const finding_case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " at line " + std::to_string(c.line));
    scratch_directory scratch;
    const fs::path folder = scratch.path / "s";
    fs::create_directories(folder);
    scenario_lines s;
    c.fires(s);
    write_lines(folder / "scenario.txt", {"line_name=Valle", "train_number=7"});
    write_lines(folder / "linea.txt", s.line);
    write_lines(folder / "treno.txt", s.train);
    for (const char* name : {"note.txt", "rallentamenti.txt", "scheda_treno.txt"}) write_lines(folder / name, {});
    const tool_run r = run_tool("check '" + folder.string() + "'", scratch.path);
    EXPECT_EQ(r.status, 1);
    const std::string where =
        file_location(folder_file_path(folder.string(), c.file == source_file::line ? "linea.txt" : "treno.txt"),
                      c.line);
    EXPECT_NE(r.out.find(where + ": error: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[-W" + std::string(c.name) + "]\n"), std::string::npos) << r.out;
  }
}

// A folder declaring UTF-8 is read into Windows-1252; what check quotes of
// it comes back to the terminal as UTF-8.
TEST(CheckCommand, QuotesAUtf8FolderInUtf8) {
  scratch_directory scratch;
  const fs::path folder = scratch.path / "s";
  fs::create_directories(folder);
  write_lines(folder / "scenario.txt", {"line_name=Valle", "train_number=7", "encoding=utf-8"});
  lines line = base_line;
  put(line, 10, "pend\xc3\xa8nze,  2000,    6");
  write_lines(folder / "linea.txt", line);
  write_lines(folder / "treno.txt", base_train);
  for (const char* name : {"note.txt", "rallentamenti.txt", "scheda_treno.txt"}) write_lines(folder / name, {});
  const tool_run r = run_tool("check '" + folder.string() + "'", scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(":10: error: \"pend\xc3\xa8nze\" matches no record keyword"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace compila::testing
