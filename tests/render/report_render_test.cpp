// The draw command's page rendered by headless Chromium: the screenshot is not
// blank, the map's course and the height profile are drawn, the profile below
// the map, the route's end marked on both, for the embedded scenario and for
// the largest route. Skipped, with the reason, where chromium or ImageMagick's
// convert is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "driver/build_pipeline.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "reading/source_files.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

bool has_program(const char* name) {
  std::string command = "command -v ";
  command.append(name).append(" > /dev/null 2>&1");
  return std::system(command.c_str()) == 0;
}

int run(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Standard output of `command`.
std::string output_of(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

std::string shell_quoted(const fs::path& path) { return std::string(1, '\'').append(path.string()).append(1, '\''); }

// Renders `page` at 1280 pixels wide; the screenshot's path.
fs::path screenshot(const fs::path& page, const scratch_directory& scratch, int height) {
  const fs::path png = scratch / "shot.png";
  std::string command = "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars";
  command.append(" --user-data-dir=").append(shell_quoted(scratch / "profile"));
  command.append(" --window-size=1280,").append(std::to_string(height));
  command.append(" --screenshot=").append(shell_quoted(png));
  command.append(" ").append(shell_quoted(std::string("file://").append(fs::absolute(page).string())));
  run(command.append(" > /dev/null 2>&1"));
  return png;
}

// The box around the pixels of one colour (within 2 percent): width,
// height, left and top. A colour not found gives a box of at most 1 × 1.
struct box {
  int width = 0, height = 0, left = 0, top = 0;
};

box colour_box(const fs::path& png, const char* colour) {
  std::string command = "convert " + shell_quoted(png) + " -fuzz 2% -fill white +opaque '";
  command.append(colour).append("' -trim -format '%w %h %X %Y' info: 2>/dev/null");
  std::istringstream in(output_of(command));
  box b;
  in >> b.width >> b.height >> b.left >> b.top;
  return b;
}

double grey_deviation(const fs::path& png) {
  return std::atof(
      output_of("convert " + shell_quoted(png) + " -colorspace Gray -format '%[fx:standard_deviation]' info:").c_str());
}

// The page's line colours: the map's course and the height profile.
constexpr const char* course_colour = "#1f5fbf";
constexpr const char* height_colour = "#8a5a00";
// The end of the route: a ring on the map, a line through the bands.
constexpr const char* route_end_colour = "#c000c0";

void expect_map_and_profile_drawn(const fs::path& png, int least_map_width, int least_map_height) {
  ASSERT_TRUE(fs::exists(png)) << "chromium wrote no screenshot";
  EXPECT_GT(grey_deviation(png), 0.05) << "the screenshot is blank";
  const box course = colour_box(png, course_colour);
  const box height = colour_box(png, height_colour);
  EXPECT_GT(course.width, least_map_width) << "map course";
  EXPECT_GT(course.height, least_map_height) << "map course";
  // The height line runs across the whole chainage axis, under the map.
  EXPECT_GT(height.width, 1000) << "height profile";
  EXPECT_GT(height.height, 50) << "height profile";
  EXPECT_GT(height.top, course.top + course.height) << "the profile stands below the map";
  const box route_end = colour_box(png, route_end_colour);
  EXPECT_LT(route_end.top, course.top + course.height) << "the route's end marked on the map";
  EXPECT_GT(route_end.top + route_end.height, height.top + height.height + 300) << "the route's end through the bands";
}

class ReportRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!has_program("chromium")) GTEST_SKIP() << "chromium is not installed (apt-get install chromium)";
    if (!has_program("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed (apt-get install imagemagick)";
  }
  scratch_directory scratch;
};

TEST_F(ReportRender, TheEmbeddedScenariosPageShowsTheMapAndTheProfile) {
  const fs::path page = scratch / "report.html";
  ASSERT_EQ(run("'" COMPILA_TOOL "' draw '" COMPILA_SCENARIO_DIR "' -o " + shell_quoted(page)), 0);
  // The embedded line runs mostly north: a tall, narrow course.
  expect_map_and_profile_drawn(screenshot(page, scratch, 2000), 50, 300);
}

TEST_F(ReportRender, TheLargestRoutesPageShowsTheMapAndTheProfile) {
  const fs::path files = scratch / "files";
  fs::create_directories(files);
  scenario_model model = named_model();
  memory_source_files sources;
  sources.files[line_source_name(model)] = large_scenario::line_source();
  sources.files[train_source_name(model)] = large_scenario::train_source();
  ASSERT_EQ(build_from_sources(model, true, sources, files.string()).end, build_outcome::kind::written);

  const fs::path page = scratch / "report.html";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run("'" COMPILA_TOOL "' draw " + shell_quoted(files) + " -o " + shell_quoted(page)), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  RecordProperty("draw_milliseconds",
                 static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  RecordProperty("page_bytes", static_cast<int>(fs::file_size(page)));
  expect_map_and_profile_drawn(screenshot(page, scratch, 2000), 300, 300);
}

}  // namespace
}  // namespace compila::testing
