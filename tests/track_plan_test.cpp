// The compact plan against the plan computed point by point into a table, as
// the line data file's doubles were first produced; and the streaming of the
// binary files through the fixed encoding buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <vector>

#include "driver/build_pipeline.h"
#include "format/binary_writer.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

byte_buffer slice(const byte_buffer& bytes, std::size_t from, std::size_t size) {
  return byte_buffer(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(from + size));
}

// Every point stored: each curve record's straight run to its start, then
// its curved run to its end, then the straight tail to track_extent_m - 2.
std::vector<plan_point> table_plan(std::int32_t extent, const std::vector<std::array<double, 3>>& curves) {
  std::vector<plan_point> plan(static_cast<std::size_t>(extent) + 1);
  plan[0] = {std::int16_t{0}, std::int16_t{0}};
  plan[1] = {std::int16_t{0}, std::int16_t{1}};
  std::int32_t m = 2;
  auto value = [](const plan_value& v) {
    return std::holds_alternative<double>(v) ? std::get<double>(v) : double(std::get<std::int16_t>(v));
  };
  auto run = [&](double last, double k) {
    for (; m <= last && m <= extent; ++m) {
      const double x1 = value(plan[m - 1].x), y1 = value(plan[m - 1].y);
      const double dx = x1 - value(plan[m - 2].x), dy = y1 - value(plan[m - 2].y);
      plan[m] = k == 0.0 ? plan_point{x1 + dx, y1 + dy} : plan_point{x1 + (dx + k * dy), y1 + (dy - k * dx)};
    }
  };
  for (const auto& [start, length, k] : curves) {
    run(start, 0.0);
    run(start + length, k);
  }
  run(extent - 2, 0.0);
  return plan;
}

bool same_bits(const std::vector<plan_point>& a, const std::vector<plan_point>& b) {
  if (a.size() != b.size()) return false;
  auto bits = [](const plan_value& v) {
    return std::holds_alternative<double>(v) ? std::bit_cast<std::uint64_t>(std::get<double>(v)) : v.index();
  };
  for (std::size_t m = 0; m < a.size(); ++m)
    if (a[m].x.index() != b[m].x.index() || a[m].y.index() != b[m].y.index() || bits(a[m].x) != bits(b[m].x) ||
        bits(a[m].y) != bits(b[m].y))
      return false;
  return true;
}

TEST(TrackPlan, RecomputesEveryDoubleBitForBitAsTheTableOfPoints) {
  const struct {
    const char* records;
    std::vector<std::array<double, 3>> curves;
  } cases[] = {
      {"", {}},
      {"curvas3, 800, 300\r\n", {{800, 300, -0.0004}}},
      // Overlapping curves, curves of the same class back to back, one behind the cursor.
      {"curvad4, 1000, 100\r\ncurvad4, 1050, 150\r\ncurvad4, 1200, 80\r\ncurvas6, 900, 50\r\n"
       "curvas1, 2000, 0\r\ncurvad2, 2001, 1\r\n",
       {{1000, 100, 0.001},
        {1050, 150, 0.001},
        {1200, 80, 0.001},
        {900, 50, -0.003},
        {2000, 0, -0.0001},
        {2001, 1, 0.0002}}},
      // A curve running past the end of the plan stops at its last point.
      {"curvad5, 9000, 5000\r\n", {{9000, 5000, 0.002}}},
  };
  for (const auto& c : cases) {
    const scenario_model model = compiled_model(line_source(c.records, 3000));
    ASSERT_EQ(model.error_kind, 0) << c.records;
    EXPECT_TRUE(same_bits(model.track_plan.points(), table_plan(10000, c.curves))) << c.records;
  }
}

TEST(TrackPlan, KeepsOnlyItsRunsAndAnswersSinglePoints) {
  const scenario_model model = compiled_model(line_source("curvad4, 1000, 100\r\ncurvad4, 1050, 150\r\n", 3000));
  // straight to 1000, one curve run to 1200 (the second curve lengthens it), the straight tail
  ASSERT_EQ(model.track_plan.runs().size(), 3u);
  EXPECT_EQ(model.track_plan.runs()[1].last_point, 1200);
  const std::vector<plan_point> points = model.track_plan.points();
  for (int m : {0, 1, 2, 1000, 1001, 1200, 9998, 9999, 10000}) EXPECT_EQ(model.track_plan.point(m), points[m]) << m;
  EXPECT_EQ(model.track_plan.point(10001), plan_point{});

  // Created but with no origin placed, the plan has no point at all.
  track_plan unplaced;
  unplaced.create(100);
  for (int m : {0, 1, 2}) EXPECT_EQ(unplaced.point(m), plan_point{}) << m;
  EXPECT_EQ(unplaced.points(), std::vector<plan_point>(101));

  // Placing the origin again starts the plan afresh.
  track_plan again = model.track_plan;
  again.place_origin();
  EXPECT_TRUE(again.runs().empty());
  EXPECT_EQ(again.next_point(), 2);
  EXPECT_EQ(again.point(2), plan_point{});
  EXPECT_EQ(again.points()[1], (plan_point{std::int16_t{0}, std::int16_t{1}}));
}

// Takes pieces until it has taken `limit` of them, checking that none
// overlaps another.
struct counting_sink final : byte_sink {
  std::size_t limit = SIZE_MAX;
  std::vector<std::size_t> pieces;
  byte_buffer bytes;
  std::vector<bool> filled;
  bool overlap = false;
  bool take(std::uint64_t offset, std::span<const std::uint8_t> piece) override {
    if (pieces.size() == limit) return false;
    pieces.push_back(piece.size());
    if (bytes.size() < offset + piece.size()) {
      bytes.resize(offset + piece.size());
      filled.resize(offset + piece.size());
    }
    for (std::size_t i = 0; i < piece.size(); ++i) {
      overlap = overlap || filled[offset + i];
      filled[offset + i] = true;
      bytes[offset + i] = piece[i];
    }
    return true;
  }
  bool whole() const { return !overlap && std::find(filled.begin(), filled.end(), false) == filled.end(); }
};

TEST(StreamedFiles, ComeInPiecesOfAtMostTheBufferAndStopWhenRefused) {
  const scenario_model model = compiled_model(line_source("curvas3, 800, 300\r\n", 82000));
  counting_sink whole;
  ASSERT_TRUE(stream_line_data(model, whole));
  EXPECT_EQ(whole.bytes.size(), 1779964u);
  EXPECT_TRUE(whole.whole());
  EXPECT_GT(whole.pieces.size(), 20u);
  for (std::size_t piece : whole.pieces) EXPECT_LE(piece, encoding_buffer_size);
  // The y half begins with the y of point 0 and then of point 1.
  EXPECT_EQ(slice(whole.bytes, 1779964 / 2, 8), (byte_buffer{0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00}));

  counting_sink refusing;
  refusing.limit = 3;
  EXPECT_FALSE(stream_line_data(model, refusing));
  EXPECT_EQ(refusing.pieces.size(), 3u);
}

TEST(StreamedFiles, AFullDiskMidwayLeavesTheEarlierLineDataFile) {
#ifdef _WIN32
  GTEST_SKIP() << "needs the POSIX device /dev/full; Windows has no device that refuses writes";
#endif
  scratch_directory dir;
  const scenario_model model = compiled_model(line_source("curvas3, 800, 300\r\n", 82000));
  std::ofstream(dir / line_data_name(model), std::ios::binary) << "earlier file";
  fs::create_symlink("/dev/full", dir / (line_data_name(model) + ".tmp"));
  std::string error;
  EXPECT_FALSE(write_line_data_file(model, dir.path.string(), error));
  EXPECT_NE(error.find(line_data_name(model)), std::string::npos) << error;
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_EQ(read_file(dir / line_data_name(model)), "earlier file");
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / (line_data_name(model) + ".tmp"))));

  fs::remove(dir / (line_data_name(model) + ".tmp"));
  ASSERT_TRUE(write_line_data_file(model, dir.path.string(), error)) << error;
  const std::string written = read_file(dir / line_data_name(model));
  EXPECT_EQ(byte_buffer(written.begin(), written.end()), encode_line_data(model));
}

}  // namespace
}  // namespace compila::testing
