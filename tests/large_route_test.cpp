// The largest route, built whole: its three binary files must keep every byte
// the plan's step-by-step computation and the record layouts give.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string_view>

#include "driver/build_pipeline.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "scenario/scenario_folder.h"
#include "test_support.h"

namespace compila::testing {
namespace {

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

// Checksums of the files as the first complete build of this route wrote them,
// each file whole in memory before it was written.
constexpr std::uint64_t line_data_checksum = 0x5bfe9ea9646306d8ull;
constexpr std::uint64_t item_file_checksum = 0xa74e46d8209315a5ull;
constexpr std::uint64_t track_file_checksum = 0x1786454cd8bfcd74ull;

TEST(LargeRoute, BuildsTheLargestRouteCleanlyWithTheKnownBytes) {
  scratch_directory dir;
  scenario_model model = named_model();
  memory_source_files sources;
  sources.files[line_source_name(model)] = large_scenario::line_source();
  sources.files[train_source_name(model)] = large_scenario::train_source();
  const build_outcome outcome = build_from_sources(model, true, sources, dir.path.string());
  ASSERT_EQ(outcome.end, build_outcome::kind::written) << outcome.message;
  EXPECT_EQ(model.error_kind, 0) << diagnostic_report(model);

  const std::string line_data = read_file(dir / line_data_name(model));
  const std::string items = read_file(dir / item_file_name(model));
  const std::string track = read_file(dir / track_file_name(model));
  EXPECT_EQ(line_data.size(), 20u * (1'007'000 - 3) + 24);
  EXPECT_EQ(track.size(), 15u * (20'140 + 1));
  EXPECT_EQ(fnv1a(line_data), line_data_checksum);
  EXPECT_EQ(fnv1a(items), item_file_checksum);
  EXPECT_EQ(fnv1a(track), track_file_checksum);
  // The plan holds its runs, not its two million values: a straight run and a
  // curved one for each of the 600 curves, and the tail.
  EXPECT_LE(model.track_plan.runs().size(), 1201u);
}

// The route as the program carries it: a scenario folder within the folder
// rules, written out, compiled and streamed to its files by the whole build.
TEST(LargeRoute, TheWholeProgramStreamsTheSameBytesFromTheFolder) {
  scratch_directory folder, out;
  for (const auto& [name, text] : large_scenario::folder_files())
    std::ofstream(folder / name, std::ios::binary) << text;
  scenario_folder scenario;
  std::vector<located_problem> problems;
  ASSERT_TRUE(scenario.load(folder.path.string(), problems)) << problem_lines(problems);
  ASSERT_EQ(build_scenario(scenario.text(), out.path.string()).status, 0);
  const scenario_model names = named_model();
  EXPECT_EQ(fnv1a(read_file(out / line_data_name(names))), line_data_checksum);
  EXPECT_EQ(fnv1a(read_file(out / item_file_name(names))), item_file_checksum);
  EXPECT_EQ(fnv1a(read_file(out / track_file_name(names))), track_file_checksum);
}

}  // namespace
}  // namespace compila::testing
