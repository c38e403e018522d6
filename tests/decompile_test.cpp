// scenario_tool decompile: the round trip build, decompile, build again
// gives the same bytes; files that no source can make are named.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "driver/build_pipeline.h"
#include "format/binary_writer.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"
#include "scenario/scenario_folder.h"
#include "scenario/text_writers.h"
#include "test_support.h"
#include "tool/check/scenario_check.h"
#include "tool/decompile/decompiler.h"

namespace compila::testing {
namespace {

using folder_files = memory_scenario_files::files;
using decompile::build_files;
using decompile::decompiled;

std::string as_text(const byte_buffer& bytes) { return {bytes.begin(), bytes.end()}; }

std::string table_text(std::span<const std::string_view> lines) {
  text_line_table table;
  EXPECT_TRUE(table.fill(lines));
  return table.file_text();
}

// What a build of `folder` writes, made in memory with the build's own steps.
struct built {
  bool written = false;
  std::int32_t error_kind = 0;
  build_files files;
};

built build_in_memory(const folder_files& folder_text) {
  built result;
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(memory_scenario_files(folder_text), problems)) {
    ADD_FAILURE() << problem_lines(problems);
    return result;
  }
  scenario_model model;
  if (build_in_memory(folder.text(), model).status == 1) return result;
  result.written = true;
  result.error_kind = model.error_kind;
  build_files& files = result.files;
  files.line_name = model.line_name;
  files.train_number = model.train_number;
  files.plan = {line_data_name(model), as_text(encode_line_data(model))};
  files.items = {item_file_name(model), as_text(encode_item_file(model))};
  files.track = {track_file_name(model), as_text(encode_track_file(model))};
  for (std::size_t d = 0; d < decompile::document_count; ++d)
    files.documents[d] = decompile::input_file{output_name(scenario_files[2 + d], model),
                                               table_text(folder.text().*scenario_files[2 + d].lines)};
  return result;
}

folder_files folder_on_disk(const std::filesystem::path& dir) {
  folder_files files{{std::string(scenario_names_file), read_file(dir / std::string(scenario_names_file))}};
  for (const scenario_file& file : scenario_files)
    files[std::string(file.folder_name)] = read_file(dir / std::string(file.folder_name));
  return files;
}

folder_files folder_of(const decompiled& result) { return {result.folder.begin(), result.folder.end()}; }

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Build, decompile, build again: the same bytes, and a folder that check
// passes without an error.
void expect_round_trip(const folder_files& folder, const std::string& label) {
  SCOPED_TRACE(label);
  const built first = build_in_memory(folder);
  ASSERT_TRUE(first.written);
  ASSERT_EQ(first.error_kind, 0) << "the first build must be clean";
  const decompiled result = decompile::decompile_build(first.files);
  ASSERT_EQ(result.status, 0) << joined(result.messages) << folder_of(result)["treno.txt"];
  const folder_files sources = folder_of(result);
  const built second = build_in_memory(sources);
  ASSERT_TRUE(second.written);
  EXPECT_EQ(second.error_kind, 0);
  EXPECT_TRUE(second.files.plan.bytes == first.files.plan.bytes);
  EXPECT_TRUE(second.files.items.bytes == first.files.items.bytes);
  EXPECT_TRUE(second.files.track.bytes == first.files.track.bytes)
      << sources.at("linea.txt") << sources.at("treno.txt");
  for (std::size_t d = 0; d < decompile::document_count; ++d)
    EXPECT_EQ(second.files.documents[d]->bytes, first.files.documents[d]->bytes);

  scenario_folder loaded;
  std::vector<located_problem> problems;
  ASSERT_TRUE(loaded.load(memory_scenario_files(sources), problems)) << problem_lines(problems);
  for (const check_finding& finding : check_scenario(loaded.text()))
    EXPECT_FALSE(finding.is_error()) << finding.message;
}

folder_files with_sources(const std::string& line, const std::string& train) {
  return {{"scenario.txt", "line_name=Prova_Ritorno\ntrain_number=77\n"},
          {"linea.txt", line},
          {"treno.txt", train},
          {"note.txt", "Note\n"},
          {"rallentamenti.txt", "ORDINE\n\n  con righe vuote  \n"},
          {"scheda_treno.txt", ""}};
}

TEST(Decompile, TheShippedScenariosAndTheLargestRouteComeBackByteForByte) {
  expect_round_trip(folder_on_disk(COMPILA_SCENARIO_DIR), "embedded scenario");
  expect_round_trip(folder_on_disk(std::filesystem::path(COMPILA_SOURCE_DIR) / "examples" / "starter"), "starter");
  const auto large = large_scenario::folder_files();
  expect_round_trip({large.begin(), large.end()}, "largest route");
}

// Sources whose bytes depend on the reading order or that the build changes.
TEST(Decompile, OrderAndAutomaticPointsAreKept) {
  const std::string general =
      "[generale]\nlunghezza percorso, 9000\n"
      "progressiva chilometrica uno, 3000, 500, 1\nprogressiva chilometrica due, 1000, 250, 0\n"
      "progressiva chilometrica tre, 2000, 100, 1\nripetizione segnali 9 codici, 100, 200\n";
  const std::string train_head =
      "[generale]\nnumero vetture, 3\naderenza, 0, 90\naderenza, 2000, 70\nvelocita, 0, 60\nvelocita, 6000, 100\n";
  const std::array cases{
      std::pair{"spans closely after one another keep their own kinds",
                general + "[montagne]\nmontagna, 1000, 1400, 11\nmontagna, 1450, 1800, 12\n"
                          "montagna, 1800, 2000, 1\nmontagna, 3000, 3100, 13\n[fine]\n"},
      std::pair{"signboards read out of chainage order keep their item slots",
                general + "[indicazioni]\ncartello_indicatore, 5000, (B)\ncartello_indicatore, 1000, (A)\n"
                          "cartello_indicatore, 3000, (C C)\n[fine]\n"},
      std::pair{"boards from 100 km/h up and stripes",
                general + "[cartelli]\nindicatori_vmax, 2000, 120, 100, 130, 3, 60, 85, 5, 2\n[fine]\n"},
      std::pair{"gradients piled at the last position write past the tail",
                general + "[pendenze]\npendenza, 0, 4\npendenza, 15800, 7\npendenza, 15800, 9\npendenza, 15800, 2\n"
                          "[fine]\n"},
  };
  for (const auto& [label, line] : cases) expect_round_trip(with_sources(line, train_head), label);

  const std::string line = general + "[fine]\n";
  const std::array trains{
      std::pair{"a signal read before a station whose approach cells it shares",
                "segnale, 2700, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n"
                "stazione, 2500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, 8, 3, 0, MEZZANA\n"},
      std::pair{"signals whose approach cells overlap, read against chainage",
                "segnale, 3200, 2, 4, 1, 0, 1, 0, 0, 0, 0, 45\nsegnale, 3000, 1, 3, 2, 1, 2, 1, 1, 1, 0, 300\n"},
      std::pair{"an author's point where the build would put its own, and one it lowers to 180",
                "segnale, 3050, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\nrallentamento, 5100, 60, 600, 1, 1, 7\n"
                "abbattimento, 4900, 180\nabbattimento, 3000, 250\nabbattimento, 2950, 100\nabbattimento, 6500, 0\n"},
      std::pair{"an author's point of 180 on the cell where the build's own would go moves the build's",
                "rallentamento, 2800, 90, 1750, 0, 0, 0\nabbattimento, 3250, 180\n"},
      std::pair{"a slow slowdown with an author's point inside it and a signal after its end",
                "rallentamento, 3000, 30, 1500, 0, 0, 0\nabbattimento, 3400, 90\n"
                "segnale, 4600, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n"},
  };
  for (const auto& [label, train] : trains) expect_round_trip(with_sources(line, train_head + train), label);
}

// Scenarios drawn at random: short lines with every kind of record, placed
// anywhere, so that objects crowd each other and the build's automatic
// points land on, around and instead of the author's.
class scenario_generator {
 public:
  explicit scenario_generator(unsigned seed) : random_(seed) {}

  folder_files next() {
    route_ = 50 * pick(40, 160) + (chance(10) ? 25 : 0);
    return with_sources(line_text(), train_text());
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(int percent) { return pick(1, 100) <= percent; }
  int position() { return 50 * pick(0, route_ / 50); }

  static std::string record(const std::string& keyword, std::initializer_list<int> values) {
    std::string text = keyword;
    for (int value : values) text += ", " + std::to_string(value);
    return text + "\n";
  }

  std::string line_text() {
    std::string text = "[generale]\n" + record("lunghezza percorso", {route_});
    if (chance(30)) {
      text += record("progressiva chilometrica uno", {position(), 50 * pick(0, 100), pick(0, 1)});
      text += record("progressiva chilometrica tre", {position(), 50 * pick(0, 100), pick(0, 1)});
    }
    text += record("sfondo due", {pick(0, 5)}) +
            record(chance(50) ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici",
                   {50 * pick(0, 20), 50 * pick(0, 20)});
    text += "[curve]\n";
    for (int start = pick(0, 2000); start < route_ && chance(80); start += pick(100, 3000))
      text += record(std::string("curva") + (chance(50) ? "s" : "d") + std::to_string(pick(1, 6)),
                     {start, 50 * pick(1, 20)});
    text += "[pendenze]\n";
    for (int at = 0; at < route_ && chance(75); at += 50 * pick(0, 40)) text += record("pendenza", {at, pick(-30, 40)});
    text += "[montagne]\n";
    for (int start = 50 * pick(0, 40); start < route_ && chance(70); start += 50 * pick(1, 40))
      text += record("montagna", {start, start + 50 * pick(0, 30), std::array{1, 2, 3, 11, 12, 13}[pick(0, 5)]});
    text += "[cartelli]\n";
    for (int n = pick(0, 3); n > 0; --n)
      text += record("indicatori_vmax", {position(), 10 * pick(3, 16), 10 * pick(3, 16), 10 * pick(3, 16), pick(0, 3),
                                         5 * pick(0, 19), 0, 0, pick(0, 3)});
    for (int n = pick(0, 3); n > 0; --n)
      text += "cartello_indicatore, " + std::to_string(position()) + ", (Km." + std::to_string(n) + ")\n";
    return text + "[fine]\n";
  }

  std::string train_text() {
    std::string text =
        "[generale]\n" + record("numero vetture", {pick(1, 12)}) + record("orologio", {pick(5, 20), pick(0, 59), 0});
    text += record("aderenza", {0, pick(60, 100)});
    if (chance(40)) text += record("aderenza", {position(), pick(20, 100)});
    text += record("velocita", {0, 10 * pick(3, 16)});
    for (int at = 0; chance(60);) {
      at += 50 * pick(1, 60);
      if (at + 100 > route_ + 7000) break;
      text += record("velocita", {at, 5 * pick(6, 32)});
    }
    std::string signals;
    for (int n = pick(0, 6); n > 0; --n)
      signals += record("segnale", {50 * pick(8, route_ / 50), pick(0, 2), pick(0, 9), pick(0, 9), pick(0, 9),
                                    pick(0, 2), pick(0, 2), pick(0, 9), pick(0, 9), pick(0, 9), pick(0, 200)});
    std::string stations;
    for (int at = 50 * pick(0, 20), slot = 1; at + 800 < route_ + 7000 && chance(70); at += 50 * pick(20, 60), ++slot) {
      stations += record("stazione",
                         {at, std::array{4, 5, 7, 12, 22, 24, 26}[pick(0, 6)], 100 * pick(2, 8), pick(0, 1), pick(0, 1),
                          pick(0, 1), pick(0, 4), 1, 0, pick(0, 4), 1, 1, pick(0, 60), pick(6, 20), pick(0, 59), 0});
      stations.insert(stations.size() - 1, ", STAZIONE " + std::to_string(slot));
    }
    // Either order: where their approach cells meet, the later record wins.
    text += chance(50) ? signals + stations : stations + signals;
    for (int n = pick(0, 2); n > 0; --n)
      text += record("rallentamento", {50 * pick(2, route_ / 50), 10 * pick(3, 14), 50 * pick(1, 40), pick(0, 1),
                                       pick(0, 1), pick(0, 3)});
    for (int n = pick(0, 3); n > 0; --n)
      text += record("abbattimento", {position(), std::array{0, 60, 180, 250}[pick(0, 3)]});
    return text + "[fine]\n";
  }

  std::mt19937 random_;
  int route_ = 0;
};

TEST(Decompile, GeneratedCleanScenariosComeBackByteForByte) {
  scenario_generator generator(20261210);
  int clean = 0, tried = 0;
  while (clean < 1000 && tried < 20000) {
    ++tried;
    const folder_files folder = generator.next();
    const built first = build_in_memory(folder);
    if (!first.written || first.error_kind != 0) continue;
    ++clean;
    const decompiled result = decompile::decompile_build(first.files);
    ASSERT_EQ(result.status, 0) << joined(result.messages) << folder.at("linea.txt") << folder.at("treno.txt");
    const built second = build_in_memory(folder_of(result));
    ASSERT_TRUE(second.written);
    ASSERT_TRUE(second.files.plan.bytes == first.files.plan.bytes);
    ASSERT_TRUE(second.files.items.bytes == first.files.items.bytes);
    ASSERT_TRUE(second.files.track.bytes == first.files.track.bytes) << folder.at("treno.txt");
  }
  EXPECT_EQ(clean, 1000) << "of " << tried << " generated scenarios";
}

folder_files starter_folder() {
  return folder_on_disk(std::filesystem::path(COMPILA_SOURCE_DIR) / "examples" / "starter");
}

bool mentions(const decompiled& result, const std::string& text) {
  return std::any_of(result.messages.begin(), result.messages.end(),
                     [&](const std::string& m) { return m.find(text) != std::string::npos; });
}

// Files that cannot be read as one build's are refused whole; files that no
// source can make get the nearest sources and status 1, naming the place.
TEST(Decompile, FilesNoSourceCanMakeAreNamed) {
  const build_files starter = build_in_memory(starter_folder()).files;
  folder_files other_names = starter_folder();
  other_names["scenario.txt"] = "line_name=Altra\ntrain_number=9\n";
  folder_files longer_route = starter_folder();
  longer_route["linea.txt"].replace(longer_route["linea.txt"].find("percorso,    5000"), 17, "percorso,    6000");
  struct damage {
    const char* label;
    std::function<void(build_files&)> apply;
    const char* message;  // a part of the message
    bool written;         // the nearest sources are written
  };
  const std::vector<damage> cases{
      {"a track file cut short", [](build_files& f) { f.track.bytes.resize(f.track.bytes.size() - 7); },
       "Valle_Prima_101.dat: error: not a whole track file, at byte", false},
      {"an item file of another scenario",
       [&](build_files& f) { f.items.bytes = build_in_memory(other_names).files.items.bytes; },
       "Valle_Prima_101.sim: error: holds the scenario of line \"Altra\"", false},
      {"a track file of another route under the same names",
       [&](build_files& f) { f.track.bytes = build_in_memory(longer_route).files.track.bytes; },
       "the files come from different scenarios", false},
      {"a track file under the item file's name", [](build_files& f) { f.items.bytes = f.track.bytes; },
       "Valle_Prima_101.sim: error:", false},
      {"a line data file of another route",
       [&](build_files& f) { f.plan.bytes = build_in_memory(longer_route).files.plan.bytes; },
       "Valle_Prima_linea.dat: error: holds", false},
      {"a plan point moved", [](build_files& f) { f.plan.bytes[4 + 4 + 10 * 1500 + 9] ^= 0x01; },
       "plan point 1502 (metre 1502) cannot follow", true},
      {"a signal time on a cell without a signal", [](build_files& f) { f.track.bytes[15 * 40 + 9] = 7; },
       "differently from byte 609 (cell 40 signal_time, position 2000)", true},
  };
  for (const damage& c : cases) {
    SCOPED_TRACE(c.label);
    build_files files = starter;
    c.apply(files);
    const decompiled result = decompile::decompile_build(files);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(mentions(result, c.message)) << joined(result.messages);
    EXPECT_EQ(result.folder.empty(), !c.written);
  }
}

// The line data file written to disk and handed over to be read piece by
// piece, as the command reads it.
void plan_on_disk(build_files& files, const scratch_directory& dir) {
  const std::filesystem::path path = dir / "linea.dat";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(files.plan.bytes.data(), static_cast<std::streamsize>(files.plan.bytes.size()));
  }
  auto pieces = std::make_shared<file_pieces>();
  file_read_error error;
  ASSERT_TRUE(pieces->open(utf8_text(path), error)) << error.message();
  files.plan.bytes.clear();
  files.plan.pieces = std::move(pieces);
}

// A line data file read piece by piece gives what the whole file gives:
// status, messages and folder, also where a value or a difference lies
// across the pieces the file is read in.
TEST(Decompile, ALineDataFileReadInPiecesDecompilesAsAWholeOne) {
  const build_files starter = build_in_memory(starter_folder()).files;
  ASSERT_GT(starter.plan.bytes.size(), decompile::byte_window::piece_size + 10);
  const std::size_t across = decompile::byte_window::piece_size - 3;
  const std::size_t y_half = starter.plan.bytes.size() / 2;
  const std::vector<std::pair<const char*, std::function<void(build_files&)>>> cases{
      {"unchanged", [](build_files&) {}},
      {"a plan value across two pieces", [&](build_files& f) { f.plan.bytes[across] ^= 0x01; }},
      {"a tag across two pieces", [&](build_files& f) { f.plan.bytes[across] = 9; }},
      {"the plan's last computed value changed", [&](build_files& f) { f.plan.bytes[y_half - 12] ^= 0x40; }},
      {"an empty value after the plan's end set", [&](build_files& f) { f.plan.bytes[f.plan.bytes.size() - 2] = 2; }},
      {"a line data file cut short", [](build_files& f) { f.plan.bytes.resize(f.plan.bytes.size() - 1); }},
      {"an empty line data file", [](build_files& f) { f.plan.bytes.clear(); }},
  };
  for (const auto& [label, apply] : cases) {
    SCOPED_TRACE(label);
    build_files whole = starter;
    apply(whole);
    const decompiled expected = decompile::decompile_build(whole);
    const scratch_directory dir;
    build_files pieces = whole;
    plan_on_disk(pieces, dir);
    const decompiled result = decompile::decompile_build(pieces);
    EXPECT_EQ(result.status, expected.status);
    EXPECT_EQ(joined(result.messages), joined(expected.messages));
    EXPECT_TRUE(folder_of(result) == folder_of(expected));
  }
}

// A line data file that shrinks after it is opened is named, not taken as cut short.
TEST(Decompile, ALineDataFileThatCannotBeReadIsNamed) {
  build_files files = build_in_memory(starter_folder()).files;
  const scratch_directory dir;
  plan_on_disk(files, dir);
  std::filesystem::resize_file(dir / "linea.dat", 100);
  const decompiled result = decompile::decompile_build(files);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(
      mentions(result, "Valle_Prima_linea.dat: error: cannot read: the file is shorter than when it was opened"))
      << joined(result.messages);
  EXPECT_TRUE(result.folder.empty());
}

// Files from a build that recorded a diagnostic: status 2, sources written.
TEST(Decompile, FilesOfABuildWithADiagnosticGiveStatus2) {
  const std::string line = "[generale]\nlunghezza percorso, 9000\n[fine]\n";
  // Three reduction points fill the cells where the build's first point
  // before the slowdown start should go.
  const folder_files crowded = with_sources(line,
                                            "[generale]\nvelocita, 0, 80\nabbattimento, 4650, 100\n"
                                            "abbattimento, 4700, 100\nabbattimento, 4750, 100\n"
                                            "rallentamento, 4950, 60, 600, 0, 0, 0\n[fine]\n");
  const built first = build_in_memory(crowded);
  ASSERT_TRUE(first.written);
  ASSERT_EQ(first.error_kind, 12);
  const decompiled result = decompile::decompile_build(first.files);
  EXPECT_EQ(result.status, 2) << joined(result.messages);
  EXPECT_TRUE(mentions(result, "diagnostic 12")) << joined(result.messages);
  const built second = build_in_memory(folder_of(result));
  EXPECT_TRUE(second.files.track.bytes == first.files.track.bytes);

  // A line source whose reading stopped leaves the plan short of its end.
  const built stopped = build_in_memory(
      with_sources("[generale]\nlunghezza percorso, 9000\n[curve]\ncurvad3, 1000, 200\ncurva, 2000, 100\n[fine]\n",
                   "[generale]\nvelocita, 0, 80\n[fine]\n"));
  ASSERT_TRUE(stopped.written);
  ASSERT_EQ(stopped.error_kind, 103);
  const decompiled from_stopped = decompile::decompile_build(stopped.files);
  EXPECT_EQ(from_stopped.status, 2) << joined(from_stopped.messages);
  EXPECT_FALSE(from_stopped.folder.empty());
}

process_result tool(const std::string& arguments, const std::filesystem::path& dir) {
  return run_command("'" COMPILA_TOOL "' " + arguments, dir);
}

TEST(DecompileCommand, ChoosesAScenarioAndLeavesAnAuthorsFolderAlone) {
  scratch_directory dir;
  ASSERT_EQ(tool("build '" COMPILA_SOURCE_DIR "/examples/starter' -o .", dir.path).status, 0);
  const process_result once = tool("decompile . -o back", dir.path);
  ASSERT_EQ(once.status, 0) << once.err;
  const std::string line_source = read_file(dir / "back/linea.txt");
  const process_result again = tool("decompile . -o back", dir.path);
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("linea.txt: error: already exists"), std::string::npos) << again.err;
  EXPECT_EQ(tool("decompile . -o back --force", dir.path).status, 0);
  EXPECT_EQ(read_file(dir / "back/linea.txt"), line_source);

  ASSERT_EQ(tool("build '" COMPILA_SCENARIO_DIR "' -o .", dir.path).status, 0);
  const process_result two = tool("decompile . -o chosen", dir.path);
  EXPECT_EQ(two.status, 1);
  EXPECT_NE(two.err.find("--line Corvalia_Brunasco-Alpestra --train 40517"), std::string::npos) << two.err;
  EXPECT_NE(two.err.find("--line Valle_Prima --train 101"), std::string::npos) << two.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "chosen/linea.txt"));
  EXPECT_EQ(tool("decompile . -o chosen --line Valle_Prima --train 101", dir.path).status, 0);
  EXPECT_EQ(read_file(dir / "chosen/linea.txt"), line_source);
}

TEST(DecompileCommand, APackedProgramGivesItsFolderBack) {
  scratch_directory dir;
  const std::string starter = COMPILA_SOURCE_DIR "/examples/starter";
  ASSERT_EQ(tool("pack '" + starter + "' -o program --runner '" COMPILA_RUNNER "'", dir.path).status, 0);
  const process_result result = tool("decompile program -o folder", dir.path);
  ASSERT_EQ(result.status, 0) << result.err;
  // The payload holds the texts in the simulator's code page, so a folder
  // that declared UTF-8 comes back declaring what its texts now are.
  for (auto [name, bytes] : starter_folder()) {
    if (name == "scenario.txt") bytes.replace(bytes.find("encoding=utf-8"), 14, "encoding=windows-1252");
    EXPECT_EQ(read_file(dir / ("folder/" + name)), bytes) << name;
  }
}

}  // namespace
}  // namespace compila::testing
