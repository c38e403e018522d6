// Route lengths at and past their bounds, the stripe code's 16-bit range and
// general records that fail to read, through the reading and the build frame.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/build_pipeline.h"
#include "line_compiler/line_source.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

struct built {
  scenario_model model;
  build_outcome outcome;
};

// The whole build frame over the two texts, writing into `dir`.
built build(const std::string& line_text, const scratch_directory& dir,
            const std::string& train_text = train_source("")) {
  built result{named_model(), {}};
  memory_source_files sources;
  sources.files[line_source_name(result.model)] = line_text;
  sources.files[train_source_name(result.model)] = train_text;
  result.outcome = build_from_sources(result.model, true, sources, dir.path.string());
  return result;
}

std::string general(const std::string& lines) { return "[generale]\r\n" + lines + "[curve]\r\n[fine]\r\n"; }

std::uintmax_t size_of(const scratch_directory& dir, const std::string& name) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(dir / name, error);
  return error ? 0 : size;
}

TEST(RouteLength, NegativeLengthsSizeTheTrackDownToCellOne) {
  // The least usable length gives an extent of 26 metres, so cell_count 1;
  // one metre less rounds 25 / 50 down to cell 0 alone; 75 / 50 rounds up to 2.
  EXPECT_EQ(min_route_length_m, -6974);
  struct {
    std::int32_t length, cell_count;
  } cases[] = {{-100, 138}, {-6974, 1}, {-6926, 1}, {-6925, 2}};
  for (const auto& c : cases) {
    scratch_directory dir;
    const built b = build(general("lunghezza percorso, " + std::to_string(c.length) + "\r\n"), dir);
    ASSERT_EQ(b.outcome.end, build_outcome::kind::written) << c.length << " " << b.model.diagnostic.detail;
    EXPECT_EQ(b.model.error_kind, 0) << c.length;
    EXPECT_EQ(b.model.track_extent_m, c.length + 7000);
    EXPECT_EQ(b.model.cell_count, c.cell_count) << c.length;
    EXPECT_EQ(size_of(dir, track_file_name(b.model)), 15u * (c.cell_count + 1)) << c.length;
    EXPECT_EQ(size_of(dir, line_data_name(b.model)), 20u * (b.model.track_extent_m - 3) + 24) << c.length;
    EXPECT_EQ(b.model.cells[1].param_1, 5121);
  }
}

TEST(RouteLength, LengthsWithoutCellOneAreRefusedAndWriteNothing) {
  // Alone or after a usable length: no track is left to write.
  for (const std::string before : {"", "lunghezza percorso, 5000\r\n"}) {
    for (std::int32_t length : {-6975, -7000, -7001, -2'147'483'647}) {
      scratch_directory dir;
      const built b = build(general(before + "lunghezza percorso, " + std::to_string(length) + "\r\n"), dir);
      EXPECT_EQ(b.outcome.end, build_outcome::kind::no_track) << before << length;
      EXPECT_EQ(b.model.error_kind, 25) << before << length;
      EXPECT_EQ(b.model.diagnostic.line, before.empty() ? 2 : 3) << before << length;
      EXPECT_TRUE(fs::is_empty(dir.path)) << before << length;
    }
  }
}

TEST(RouteLength, OverLimitLengthAfterAValidOneKeepsTheFirstTrack) {
  scratch_directory dir;
  const built b = build(general("lunghezza percorso, 5000\r\nlunghezza percorso, 1000001\r\n"), dir);
  ASSERT_EQ(b.outcome.end, build_outcome::kind::written);
  EXPECT_EQ(b.model.error_kind, 1);
  EXPECT_EQ(b.model.diagnostic.line, 3);
  EXPECT_EQ(b.model.items[84].end_m, 1'000'001);  // the record's number is stored before the test
  EXPECT_EQ(b.model.track_extent_m, 12000);
  EXPECT_EQ(b.model.cell_count, 240);
  EXPECT_EQ(size_of(dir, track_file_name(b.model)), 15u * 241);
  EXPECT_GT(size_of(dir, item_file_name(b.model)), 0u);
  // The reading stopped in the general section, so no plan point was set.
  EXPECT_EQ(size_of(dir, line_data_name(b.model)), 2u * 2 * 12001);
}

TEST(RouteLength, ASecondValidLengthStartsAFreshTrack) {
  const scenario_model model =
      compiled_model(general("lunghezza percorso, 82000\r\nlunghezza percorso, 5000\r\n"), train_source(""));
  EXPECT_EQ(model.error_kind, 0);
  EXPECT_EQ(model.cell_count, 240);
  EXPECT_EQ(model.cells.size(), 241u);
  EXPECT_EQ(model.track_plan.point_count(), 12001);
}

TEST(SpeedBoard, StripeCodeMustFitSixteenBits) {
  struct {
    const char* counts;
    std::int32_t code;
    std::int16_t stripe;
  } cases[] = {
      {"3276, 7", 0, 32767}, {"-3276, -8", 0, -32768}, {"3276, 8", 25, 0},  // the sum leaves the range
      {"3277, -10", 25, 0},                                                 // the product already does
      {"-3277, 0", 25, 0},   {"65537, 2", 0, 12},                           // only the low 16 bits of a count count
  };
  for (const auto& c : cases) {
    const std::string counts = c.counts;
    const std::string s = counts.substr(0, counts.find(','));
    const std::string d = counts.substr(counts.find(',') + 1);
    const scenario_model model =
        compiled_model(line_source("indicatori_vmax, 1500, 80, 80, 80, " + s + ", , , ," + d + "\r\n"));
    EXPECT_EQ(model.error_kind, c.code) << c.counts << " " << model.diagnostic.detail;
    if (c.code == 0) {
      EXPECT_EQ(model.cells[31].cell_type, 6) << c.counts;
      EXPECT_EQ(model.cells[31].param_4, c.stripe) << c.counts;
    } else {
      EXPECT_EQ(model.cells[31].cell_type, 0) << "no board on a refused stripe code: " << c.counts;
    }
  }
}

TEST(GeneralRecords, ANumberThatFailsToReadKeepsTheFieldsValue) {
  const std::string route = "lunghezza percorso, 5000\r\n";
  struct {
    std::string lines;
    int slot;
    std::int32_t item::*field;
    std::int32_t kept;
  } cases[] = {
      {route + "lunghezza percorso, 9e9\r\n", 84, &item::end_m, 5000},
      {route + "sfondo tre, 4650\r\nsfondo tre, 10000000000\r\n", 85, &item::end_m, 4650},
      {route + "sfondo uno, 7\r\nsfondo uno, x\r\n", 85, &item::start_m, 7},
      {route + "progressiva chilometrica uno, 100, 200, 0\r\nprogressiva chilometrica uno, 300, 9e9, 0\r\n", 83,
       &item::start_m, 100},
      {route + "ripetizione segnali 4, 1000, 2000\r\nripetizione segnali 4, 3000, y\r\n", 86, &item::start_m, 1000},
  };
  for (const auto& c : cases) {
    scenario_model model = named_model();
    const line_reading reading = read_line_source(model, general(c.lines), "linea.txt");
    EXPECT_EQ(reading.end, reading_end::fault_exit) << c.lines;
    EXPECT_EQ(model.error_kind, 25) << c.lines;
    EXPECT_EQ(model.items[c.slot].*c.field, c.kept) << c.lines;
  }
}

}  // namespace
}  // namespace compila::testing
