// The largest route, built whole: its three binary files must keep every byte
// the plan's step-by-step computation and the record layouts give.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "build/build_frame.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

TEST(LargeRoute, BuildsTheLargestRouteCleanlyWithTheKnownBytes) {
  scratch_directory dir;
  scenario_model model = named_model();
  memory_source_files sources;
  sources.files[line_source_name(model)] = large_scenario::line_source();
  sources.files[train_source_name(model)] = large_scenario::train_source();
  const build_outcome outcome = memorizza_percorso(model, 1, sources, dir.path.string());
  ASSERT_EQ(outcome.end, build_outcome::kind::written) << outcome.message;
  EXPECT_EQ(model.error_kind, 0) << diagnostic_report(model);

  const std::string line_data = read_file(dir / line_data_name(model));
  const std::string items = read_file(dir / item_file_name(model));
  const std::string track = read_file(dir / track_file_name(model));
  EXPECT_EQ(line_data.size(), 20u * (1'007'000 - 3) + 24);
  EXPECT_EQ(track.size(), 15u * (20'140 + 1));
  // Checksums of the files as the first complete build of this route wrote them.
  EXPECT_EQ(fnv1a(line_data), 0x5bfe9ea9646306d8ull);
  EXPECT_EQ(fnv1a(items), 0xa74e46d8209315a5ull);
  EXPECT_EQ(fnv1a(track), 0x1786454cd8bfcd74ull);
}

}  // namespace
}  // namespace compila::testing
