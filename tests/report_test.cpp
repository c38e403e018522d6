// The report page of scenario_tool draw: self-contained, with the expected
// marks, light at the largest route; the pieces that draw it; and the
// command's refusals of missing, ambiguous and damaged input.
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <set>
#include <string>

#include "driver/build_pipeline.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "scenario/scenario_folder.h"
#include "test_support.h"
#include "tool/report/course.h"
#include "tool/report/drawing.h"
#include "tool/report/line_features.h"
#include "tool/report/report_input.h"
#include "tool/report/report_page.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;
using namespace compila::report;

// The embedded scenario's three binary files in `dir`, as the build writes them.
void build_embedded(const fs::path& dir) {
  scenario_folder folder;
  std::vector<located_problem> problems;
  ASSERT_TRUE(folder.load(COMPILA_SCENARIO_DIR, problems)) << problem_lines(problems);
  ASSERT_EQ(build_scenario(folder.text(), dir.string()).status, 0);
}

// The largest route's three binary files in `dir`, built through the core.
void build_largest(const fs::path& dir) {
  scenario_model model = named_model();
  memory_source_files sources;
  sources.files[line_source_name(model)] = large_scenario::line_source();
  sources.files[train_source_name(model)] = large_scenario::train_source();
  ASSERT_EQ(build_from_sources(model, true, sources, dir.string()).end, build_outcome::kind::written);
}

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// Anything by which a browser would fetch or run something outside the page.
void expect_self_contained(const std::string& page) {
  for (const char* outside : {"http:", "https:", "file:", "//www.", "src=", "href=", "@import", "url(", "<script",
                              "<link", "<iframe", "<object", "<embed", "<img"})
    EXPECT_EQ(page.find(outside), std::string::npos) << "the page refers outside itself: " << outside;
}

std::size_t polyline_point_count(const std::string& page, const std::string& css_class) {
  const std::string head = "<polyline class=\"" + css_class + "\" points=\"";
  const std::size_t start = page.find(head);
  if (start == std::string::npos) return 0;
  const std::size_t end = page.find('"', start + head.size());
  return count_of(page.substr(start + head.size(), end - start - head.size()), ",");
}

TEST(ReportPage, TheEmbeddedScenarioGivesASelfContainedPageWithItsMarks) {
  scratch_directory dir;
  build_embedded(dir.path);
  drawn_scenario scenario;
  std::string error;
  ASSERT_TRUE(load_directory(dir.path.string(), scenario, error)) << error;
  page_stats stats;
  const std::string page = render_report(scenario, {}, &stats);

  expect_self_contained(page);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<title>Corvalia_Brunasco-Alpestra &#8212; train 40517</title>"), std::string::npos);
  // Every station by name, in the drawing and in the table.
  int stations = 0;
  for (int slot = 1; slot <= 11; ++slot) {
    const std::string& name = scenario.items[slot].text;
    ASSERT_FALSE(name.empty()) << slot;
    EXPECT_GE(count_of(page, ">" + name + "<"), 2u) << name;
    ++stations;
  }
  EXPECT_EQ(stations, 11);
  EXPECT_NE(page.find("(Km.35.800)"), std::string::npos);
  // The map's course and the height profile are lines of many points.
  EXPECT_GE(polyline_point_count(page, "course"), 20u);
  EXPECT_GE(polyline_point_count(page, "profile-height"), 20u);
  EXPECT_GE(polyline_point_count(page, "profile-speed"), 10u);
  // Kilometre marks every 5 km up to 85 on the 89 km track.
  EXPECT_EQ(count_of(page, "<text class=\"km\""), 18u);
  EXPECT_NE(page.find(">85</text>"), std::string::npos);
  EXPECT_NE(page.find(">50 km</text>"), std::string::npos) << "scale bar";
  // The summary, with the two competition codes as the files hold them.
  EXPECT_NE(page.find("<tr><th>Route length</th><td>82,000 m</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Cells</th><td>1,781 "), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Stations</th><td>11</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Signals</th><td>14</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<td>" + std::to_string(scenario.items[85].seconds) + "</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>" + std::to_string(scenario.cells[1].param_2) + "</td>"), std::string::npos);
  EXPECT_EQ(stats.plan_points, 88999u);
  EXPECT_LT(stats.drawn_points, 2000u);
  EXPECT_NE(page.find("no build was run"), std::string::npos);
}

// The text between `open` and the next `close` after it, or "" when absent.
std::string between(const std::string& text, const std::string& open, const std::string& close) {
  const std::size_t start = text.find(open);
  if (start == std::string::npos) return {};
  const std::size_t end = text.find(close, start + open.size());
  return end == std::string::npos ? std::string() : text.substr(start + open.size(), end - start - open.size());
}

// The starter with a second speed board (ranks that differ, a right speed
// that its code cannot tell) and a signboard too long for its band.
void write_marked_starter(const fs::path& folder) {
  fs::copy(fs::path(COMPILA_SOURCE_DIR) / "examples/starter", folder);
  std::string line = read_file(folder / "linea.txt");
  line.insert(line.find("indicatori_vmax,  1500"), "indicatori_vmax,  600,  80,  60,  40,  0,  12,  ,  ,  0\n");
  line.insert(line.find("[fine]"), "cartello_indicatore,  2900,  (GALLERIA DEL MONTE)(VALICO)(m.8100)\n");
  std::ofstream(folder / "linea.txt", std::ios::binary) << line;
}

TEST(ReportPage, AFolderShowsTheRecordsSpeedsTheAuthorsReductionPointAndTheRouteEnd) {
  scratch_directory scratch;
  write_marked_starter(scratch / "folder");
  scenario_folder folder;
  std::vector<located_problem> problems;
  ASSERT_TRUE(folder.load((scratch / "folder").string(), problems)) << problem_lines(problems);
  drawn_scenario scenario;
  std::string error;
  ASSERT_TRUE(load_folder("folder", folder, scenario, error)) << error;
  const std::string page = render_report(scenario);

  // The starter's one abbattimento record apart from the six the build adds.
  EXPECT_NE(page.find("<tr><th>Reduction points</th><td>7: 1 from the sources, 6 added by the build</td></tr>"),
            std::string::npos);
  EXPECT_EQ(count_of(between(page, "<path class=\"reduction authored\" d=\"", "\""), "M"), 1u);
  EXPECT_EQ(count_of(between(page, "<path class=\"reduction\" d=\"", "\""), "M"), 6u);
  EXPECT_NE(page.find("<tr><th>Slowdowns</th><td>1 (1 warning board)</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Tunnels</th><td>1 span, "), std::string::npos);
  // Each speed board with its speeds as the record wrote them.
  EXPECT_NE(page.find("text-anchor=\"middle\">100</text>"), std::string::npos);
  EXPECT_NE(page.find("text-anchor=\"middle\">80|12/60/40</text>"), std::string::npos);
  // The long signboard text whole in the tooltip of its cut label and of its mark.
  EXPECT_EQ(count_of(page, "<title>(GALLERIA DEL MONTE)(VALICO)(m.8100)</title>"), 2u);
  EXPECT_NE(page.find("(GALLERIA DEL MONTE)(VAL...</text>"), std::string::npos);
  // The route's end on the map and on the chainage axis, and both legends.
  EXPECT_NE(page.find("<circle class=\"map-route-end\""), std::string::npos);
  EXPECT_NE(page.find("<path class=\"route-end\" d=\"M"), std::string::npos);
  EXPECT_NE(page.find(">end of route, 5,000 m</text>"), std::string::npos);
  EXPECT_EQ(count_of(page, "<ul class=\"legend\">"), 2u);
  EXPECT_NE(page.find("reduction point from the sources"), std::string::npos);
  expect_self_contained(page);
}

// Every class of mark a drawing uses has its entry in the legend under it.
TEST(ReportPage, TheLegendsNameEveryKindOfMark) {
  scratch_directory dir;
  build_embedded(dir.path);
  drawn_scenario scenario;
  std::string error;
  ASSERT_TRUE(load_directory(dir.path.string(), scenario, error)) << error;
  const std::string page = render_report(scenario);
  const std::regex drawn_class("<(?:path|circle|g|polyline) class=\"([a-z0-9 -]+)\"");
  for (const char* drawing : {"<svg class=\"map\"", "<svg class=\"profile\""}) {
    const std::size_t start = page.find(drawing);
    ASSERT_NE(start, std::string::npos) << drawing;
    const std::size_t end = page.find("</svg>", start);
    const std::string legend = between(page.substr(end), "<ul class=\"legend\">", "</ul>");
    ASSERT_FALSE(legend.empty()) << drawing;
    const std::string svg = page.substr(start, end - start);
    const std::set<std::string> frame =
        {"frame", "course",         "scale-bar",        "north",         "map-names",       "grid", "axis", "guide",
         "zero",  "profile-height", "profile-gradient", "profile-speed", "profile-adhesion"};
    for (std::sregex_iterator m(svg.begin(), svg.end(), drawn_class), last; m != last; ++m) {
      const std::string css_class = (*m)[1];
      if (frame.contains(css_class)) continue;
      EXPECT_NE(legend.find("class=\"" + css_class + "\""), std::string::npos) << drawing << ": " << css_class;
    }
  }
  // From the binary files alone the reduction points cannot be told apart.
  EXPECT_NE(page.find("<tr><th>Reduction points</th><td>0 (the binary files do not tell who placed them)</td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("text-anchor=\"middle\">80</text>"), std::string::npos) << "speed decoded from code 1600";
}

TEST(ReportPage, BuildLinesAndExtraSectionsAreShownEscaped) {
  scratch_directory dir;
  build_embedded(dir.path);
  drawn_scenario scenario;
  std::string error;
  ASSERT_TRUE(load_directory(dir.path.string(), scenario, error)) << error;
  scenario.built_from_folder = true;
  scenario.build_status = 2;
  scenario.build_lines = {"linea.txt:12: diagnostic 15: <beyond> & \"out\""};
  scenario.items[1].text = "A<script>\xe9";
  page_options options;
  options.extra_sections.push_back({"Warnings", {{"treno.txt:3", "signal <near> station"}}});
  const std::string page = render_report(scenario, options);

  expect_self_contained(page);
  EXPECT_NE(page.find("linea.txt:12: diagnostic 15: &lt;beyond&gt; &amp; &quot;out&quot;"), std::string::npos);
  EXPECT_NE(page.find("<h2>Warnings</h2>"), std::string::npos);
  EXPECT_NE(page.find("treno.txt:3: signal &lt;near&gt; station"), std::string::npos);
  EXPECT_NE(page.find("A&lt;script&gt;&#233;"), std::string::npos);
}

TEST(ReportPage, TheLargestRouteStaysLight) {
  scratch_directory dir;
  build_largest(dir.path);
  const auto start = std::chrono::steady_clock::now();
  drawn_scenario scenario;
  std::string error;
  ASSERT_TRUE(load_directory(dir.path.string(), scenario, error)) << error;
  page_stats stats;
  const std::string page = render_report(scenario, {}, &stats);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("page_bytes", static_cast<int>(page.size()));
  RecordProperty("milliseconds", static_cast<int>(seconds * 1000));
  RecordProperty("course_bytes", static_cast<int>(scenario.course.held_bytes()));
  // The course packed: under a fifth of the 24 MB its points take whole.
  EXPECT_LT(scenario.course.held_bytes(), 4'800'000u);

  expect_self_contained(page);
  EXPECT_EQ(stats.plan_points, 1'006'999u);
  EXPECT_LT(stats.drawn_points, 5000u);
  EXPECT_LT(polyline_point_count(page, "course"), 5000u);
  // One-pixel columns bound every profile line: four points a column at most.
  for (const char* profile : {"profile-height", "profile-gradient", "profile-speed", "profile-adhesion"})
    EXPECT_LE(polyline_point_count(page, profile), 4u * 1200) << profile;
  EXPECT_LT(page.size(), 600'000u);
  // Labels every 100 km on the 1,007 km track.
  EXPECT_EQ(count_of(page, "<text class=\"km\""), 11u);
  EXPECT_NE(page.find(">1000</text>"), std::string::npos);
}

// Files that decode but hold values no build writes: every cell type with
// extreme parameters, items at the ends of their ranges, a plan with huge,
// infinite and missing coordinates. The page is still whole and safe.
TEST(ReportPage, ValuesNoBuildWritesStillGiveAWholePage) {
  drawn_scenario scenario;
  scenario.file_names = {"a_linea.dat", "a_1.sim", "a_1.dat"};
  scenario.cells.resize(400);
  for (std::size_t i = 0; i < scenario.cells.size(); ++i) {
    track_cell& c = scenario.cells[i];
    c.cell_type = static_cast<std::uint8_t>(i % 16);
    c.param_1 = static_cast<std::int16_t>(i % 2 ? -32768 : 32767);
    c.gradient = static_cast<std::uint8_t>(i * 37);
    c.speed_limit = static_cast<std::uint8_t>(255 - i % 7);
    c.adhesion = static_cast<std::uint8_t>(i);
    c.tunnel_kind = static_cast<std::uint8_t>(i % 5 == 0 ? 200 : i % 3);
  }
  for (int slot = 1; slot <= 80; ++slot) {
    scenario.items[slot].at_m = slot % 2 ? INT32_MIN : INT32_MAX;
    scenario.items[slot].start_m = INT32_MAX;
    scenario.items[slot].end_m = INT32_MIN;
    scenario.items[slot].seconds = INT32_MIN;
    scenario.items[slot].text = std::string(300, static_cast<char>(slot * 3));
  }
  scenario.items[84].end_m = INT32_MIN;
  plan_points plan;
  for (double x : {0.0, 1e300, -1e300, HUGE_VAL, std::nan(""), 5.0}) {
    plan[0].push_back(x);
    plan[1].push_back(x / 2);
  }
  scenario.course = course_points(plan);
  const std::string page = render_report(scenario);
  expect_self_contained(page);
  EXPECT_NE(page.find("</body></html>"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);

  drawn_scenario empty;  // no cells, no plan
  const std::string nothing = render_report(empty);
  EXPECT_NE(nothing.find("</body></html>"), std::string::npos);
  EXPECT_NE(nothing.find("No stations."), std::string::npos);
}

packed_course packed(const std::vector<course_point>& points) {
  packed_course course;
  for (const course_point& p : points) course.push_back(p);
  return course;
}

TEST(ReportCourse, SimplificationKeepsEveryPointWithinTheTolerance) {
  std::vector<course_point> arc;
  for (int m = 0; m <= 20'000; ++m) arc.push_back({m, 3000 * std::sin(m / 3000.0), 3000 * std::cos(m / 3000.0)});
  for (const double tolerance : {0.1, 2.0, 40.0}) {
    const std::vector<std::size_t> kept = simplify_course(packed(arc), tolerance);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), arc.size() - 1);
    EXPECT_LT(kept.size(), arc.size() / 10) << tolerance;
    for (std::size_t k = 1; k < kept.size(); ++k) {
      const course_point &a = arc[kept[k - 1]], &b = arc[kept[k]];
      for (std::size_t i = kept[k - 1] + 1; i < kept[k]; ++i) {
        const double cross = (b.x - a.x) * (arc[i].y - a.y) - (b.y - a.y) * (arc[i].x - a.x);
        ASSERT_LE(std::abs(cross) / std::hypot(b.x - a.x, b.y - a.y), tolerance) << "point " << i;
      }
    }
  }
  std::vector<course_point> straight;
  for (int m = 0; m < 1000; ++m) straight.push_back({m, 0, double(m)});
  EXPECT_EQ(simplify_course(packed(straight), 0.01), (std::vector<std::size_t>{0, 999}));
}

// Courses that stress the packing and the simplification: long and short,
// at the origin and far from it, across zero, through the extremes of the
// doubles, with metres left out, and with many exact ties of distance.
std::vector<std::pair<std::string, std::vector<course_point>>> generated_courses() {
  std::vector<std::pair<std::string, std::vector<course_point>>> courses;
  const auto add = [&](std::string name, int count, const std::function<course_point(int)>& at) {
    std::vector<course_point> points;
    for (int i = 0; i < count; ++i) points.push_back(at(i));
    courses.emplace_back(std::move(name), std::move(points));
  };
  for (const int count : {0, 1, 2, 63, 64, 65, 129, 5000})
    add(std::to_string(count) + " points of an arc", count, [](int m) {
      return course_point{m, 2e5 + 900 * std::sin(m / 900.0), -3e5 + 900 * std::cos(m / 900.0)};
    });
  add("across zero, from the origin", 3000, [](int m) {
    if (m == 0) return course_point{0, -0.0, 0.0};
    return course_point{m, (m - 1500) * 0.7071, std::sin(m / 40.0) * 1e-3 * m};
  });
  add("metres left out", 700, [](int i) { return course_point{i * 8 + (i % 7), 0.25 * i, 2.0 * (i % 5)}; });
  add("the extremes", 200, [](int i) {
    const double values[] = {1e300, -1e300, 5e-324, -2.2e-308, 0.0, -0.0, 1.5, 1e15, -7e16};
    return course_point{i, values[i % 9], values[(i * 4) % 9]};
  });
  add("a zigzag of equal swings", 4000, [](int m) { return course_point{m, double(m), (m / 50) % 2 ? 10.0 : -10.0}; });
  add("a square wave far out", 3000, [](int m) {
    return course_point{m, 1e6 + m, 1e6 + ((m / 100) % 2 ? 25.0 : 0.0)};
  });
  add("a random walk", 6000, [state = std::uint64_t{12345}, x = 0.0, y = 0.0](int m) mutable {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double heading = static_cast<double>(state >> 11) * 0x1p-53 * 6.283185307179586;
    x += std::cos(heading), y += std::sin(heading);
    return course_point{m, 4e5 + x, 1e5 + y};
  });
  return courses;
}

bool same_point(const course_point& a, const course_point& b) {
  return a.metre == b.metre && std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0;
}

// Every point comes back bit for bit, walked or reached at once, and the box
// and the metre search agree with the points as they went in.
TEST(ReportCourse, PackedPointsComeBackBitForBit) {
  for (const auto& [name, points] : generated_courses()) {
    const packed_course course = packed(points);
    ASSERT_EQ(course.size(), points.size()) << name;
    packed_course::cursor at(course, 0);
    for (std::size_t i = 0; i < points.size(); ++i, at.advance()) {
      ASSERT_TRUE(same_point(at.point(), points[i])) << name << ", walking, point " << i;
      ASSERT_TRUE(same_point(course[i], points[i])) << name << ", point " << i;
    }
    if (points.empty()) continue;
    EXPECT_LT(course.held_bytes(), points.size() * sizeof(course_point) / 2 + 4096) << name;
    const packed_course::box box = course.bounds();
    const auto [min_x, max_x] =
        std::minmax_element(points.begin(), points.end(), [](auto& p, auto& q) { return p.x < q.x; });
    const auto [min_y, max_y] =
        std::minmax_element(points.begin(), points.end(), [](auto& p, auto& q) { return p.y < q.y; });
    EXPECT_TRUE(box.min_x == min_x->x && box.max_x == max_x->x && box.min_y == min_y->y && box.max_y == max_y->y)
        << name;
    for (const std::int32_t metre : {-1, 0, 1, 64, 65, 200, 1000, 2999, 1 << 30}) {
      const auto after = std::upper_bound(points.begin(), points.end(), metre,
                                          [](std::int32_t m, const course_point& p) { return m < p.metre; });
      const std::size_t expected = after == points.begin() ? 0 : static_cast<std::size_t>(after - points.begin() - 1);
      EXPECT_EQ(point_at_metre(course, metre), expected) << name << ", metre " << metre;
    }
  }
}

// Douglas-Peucker as a plain scan of every point: what the packed course's
// simplification, which skips whole blocks, must give exactly.
std::vector<std::size_t> simplified_by_scanning(const std::vector<course_point>& points, double tolerance) {
  if (points.size() <= 2) {
    std::vector<std::size_t> all(points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
  }
  const auto squared_distance = [](const course_point& p, const course_point& a, const course_point& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length_2 = dx * dx + dy * dy;
    double t = length_2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length_2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
    return ex * ex + ey * ey;
  };
  std::vector<bool> keep(points.size(), false);
  keep.front() = keep.back() = true;
  std::vector<std::pair<std::size_t, std::size_t>> spans{{0, points.size() - 1}};
  while (!spans.empty()) {
    const auto [first, last] = spans.back();
    spans.pop_back();
    double farthest = -1;
    std::size_t split = first;
    for (std::size_t i = first + 1; i < last; ++i) {
      const double d = squared_distance(points[i], points[first], points[last]);
      if (d > farthest) farthest = d, split = i;
    }
    if (farthest > tolerance * tolerance) {
      keep[split] = true;
      spans.push_back({first, split});
      spans.push_back({split, last});
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < points.size(); ++i)
    if (keep[i]) kept.push_back(i);
  return kept;
}

TEST(ReportCourse, SkippingBlocksKeepsTheSimplificationOfEveryPoint) {
  for (const auto& [name, points] : generated_courses()) {
    const packed_course course = packed(points);
    // 10 and 25 are the zigzag's and the square wave's exact swings: ties with the limit.
    for (const double tolerance : {0.0, 0.5, 5.0, 10.0, 25.0, 300.0}) {
      const std::vector<std::size_t> expected = simplified_by_scanning(points, tolerance);
      EXPECT_EQ(simplify_course(course, tolerance), expected) << name << ", within " << tolerance;
    }
  }
}

TEST(ReportCourse, EmptyAndNonFinitePlanPointsAreLeftOut) {
  plan_points plan;
  plan[0] = {std::int16_t{0}, std::int16_t{0}, 0.5, std::nan(""), HUGE_VAL, 3.0, std::monostate{}};
  plan[1] = {std::int16_t{0}, std::int16_t{1}, 2.0, 3.0, 4.0, 5.0, std::monostate{}};
  const packed_course points = course_points(plan);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[2].metre, 2);
  EXPECT_EQ(points[3].metre, 5);
  EXPECT_EQ(point_at_metre(points, 4), 2u);
  EXPECT_EQ(point_at_metre(points, 99), 3u);
}

track_cell with_type(std::uint8_t type, std::int16_t param_1 = 0) {
  track_cell c;
  c.cell_type = type;
  c.param_1 = param_1;
  return c;
}

TEST(ReportFeatures, CellsAndItemsBecomeRunsObjectsAndStations) {
  std::vector<track_cell> cells(20);
  for (int i = 0; i < 20; ++i) {
    cells[i].gradient = i < 5 ? 110 : 90;  // +10 then -10 per mille
    cells[i].speed_limit = 16;
    cells[i].tunnel_kind = (i >= 6 && i <= 8) ? 1 : 0;
  }
  cells[3] = with_type(cell_kind::slowdown_start, 30);
  cells[3].gradient = 110;
  cells[3].speed_limit = 16;
  cells[7] = with_type(cell_kind::slowdown_end, 30);
  cells[7].gradient = 90;
  cells[7].speed_limit = 16;
  cells[7].tunnel_kind = 1;
  cells[9].cell_type = cell_kind::signboard;
  cells[9].param_1 = 80;
  cells[10].cell_type = cell_kind::stopping_point;
  cells[10].param_1 = 1;
  cells[12].cell_type = cell_kind::slowdown_start;  // no end follows
  std::array<item, item_slots> items{};
  items[1].text = "ALFA";
  items[1].at_m = 450;
  items[80].text = "(Km.1)";
  items[84].end_m = 1000;

  const line_features f = read_features(cells, items);
  EXPECT_EQ(f.cell_count, 19);
  EXPECT_EQ(f.profile_cells, 17);
  EXPECT_EQ(f.gradient, (std::vector<run>{{0, 4, 10}, {5, 16, -10}}));
  EXPECT_EQ(f.speed_kmh, (std::vector<run>{{0, 16, 80}}));
  EXPECT_EQ(f.tunnels, (std::vector<run>{{6, 8, 1}}));
  ASSERT_EQ(f.height_m.size(), 18u);
  EXPECT_DOUBLE_EQ(f.height_m[5], 2.5);  // 5 cells of 50 m at 10 per mille
  EXPECT_DOUBLE_EQ(f.height_m[17], 2.5 - 6.0);
  ASSERT_EQ(f.slowdowns.size(), 2u);
  EXPECT_EQ(f.slowdowns[0].start_cell, 3);
  EXPECT_EQ(f.slowdowns[0].end_cell, 7);
  EXPECT_EQ(f.slowdowns[0].speed, 30);
  EXPECT_FALSE(f.slowdowns[1].has_end);
  EXPECT_EQ(f.slowdowns[1].end_cell, 19);
  ASSERT_EQ(f.signboards.size(), 1u);
  EXPECT_EQ(f.signboards[0].text, "(Km.1)");
  // Slot 80 holds the signboard's text, so only slot 1 is a station.
  ASSERT_EQ(f.stations.size(), 1u);
  EXPECT_EQ(f.stations[0].name, "ALFA");
  EXPECT_EQ(f.stations[0].stops_m, (std::vector<std::int32_t>{500}));
  EXPECT_EQ(f.route_length_m, 1000);
}

TEST(ReportFeatures, ABrokenSignboardSlotOrAnEmptyTrackIsNoFault) {
  std::vector<track_cell> cells(3);
  cells[1] = with_type(cell_kind::signboard, 500);
  cells[2] = with_type(cell_kind::stopping_point, -3);
  const line_features f = read_features(cells, {});
  ASSERT_EQ(f.signboards.size(), 1u);
  EXPECT_EQ(f.signboards[0].text, "");
  EXPECT_TRUE(f.stations.empty());
  const line_features none = read_features({}, {});
  EXPECT_EQ(none.cell_count, -1);
  EXPECT_TRUE(none.gradient.empty());
}

// A code is read as speeds only where speeds in 5 km/h steps up to 300 km/h
// give it in exactly one way; otherwise the page shows the code.
TEST(ReportFeatures, SpeedCodesAreReadOnlyWhereOneReadingExists) {
  const struct {
    std::int16_t code;
    std::optional<side_speeds> speeds;
  } cases[] = {
      {1600, side_speeds{80, 0}},    {1616, side_speeds{80, 80}}, {1602, side_speeds{80, 10}}, {0, side_speeds{0, 0}},
      {6060, side_speeds{300, 300}}, {6061, std::nullopt},        {6100, std::nullopt},        {99, std::nullopt},
      {-1600, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(speeds_of_code(c.code), c.speeds) << c.code;

  line_features f;
  const cell_object same{31, cell_kind::speed_board, {1600, 1600, 1600, 0}};
  const cell_object ranks{40, cell_kind::speed_board, {1612, 1200, -7, 11}};
  EXPECT_EQ(speed_board_speeds(same, f).label, "80");
  EXPECT_EQ(speed_board_speeds(ranks, f).label, "80|60/60/code -7");
  EXPECT_NE(speed_board_speeds(ranks, f).detail.find("stripe code 11"), std::string::npos);
  // From a folder the record says what the code cannot: a right speed of 12 is stored as 10 would be.
  f.from_sources = true;
  f.placed_by[40] = {"linea.txt", 31, "indicatori_vmax", {2000, 80, 60, 40, 1, 12, 0, 0, 2}};
  const board_speeds written = speed_board_speeds(ranks, f);
  EXPECT_EQ(written.label, "80|12/60/40");
  EXPECT_NE(written.detail.find("(linea.txt:31)"), std::string::npos) << written.detail;
}

TEST(ReportDrawing, TextAndNumbersForThePage) {
  const struct {
    std::string_view in;
    std::string out;
  } texts[] = {
      {"(Km.35.800)", "(Km.35.800)"},
      {"<a href='x'>", "&lt;a href=&#39;x&#39;&gt;"},
      {"R&D \"x\"", "R&amp;D &quot;x&quot;"},
      {std::string_view("a\0b\tc\x7f", 6), "a?b?c?"},
      {"\xe8\xff\x80\x92\x81", "&#232;&#255;&#8364;&#8217;?"},
  };
  for (const auto& t : texts) EXPECT_EQ(html_text(t.in), t.out) << t.in;
  EXPECT_EQ(grouped(1'007'000), "1,007,000");
  EXPECT_EQ(grouped(-500), "-500");
  EXPECT_EQ(grouped(999), "999");
  EXPECT_EQ(length_text(850), "850 m");
  EXPECT_EQ(length_text(50'000), "50 km");
  EXPECT_EQ(length_text(12'450), "12.45 km");
  EXPECT_EQ(time_of_day(41700), "11:35:00");
  EXPECT_EQ(number(-0.04, 1), "0.0");
  EXPECT_EQ(counted(1, "warning board", "warning boards"), "1 warning board");
  EXPECT_EQ(counted(0, "span", "spans"), "0 spans");
  EXPECT_EQ(counted(1200, "span", "spans"), "1,200 spans");
  for (const auto& [in, out] : {std::pair{0.7, 1.0}, {1.0, 1.0}, {1.1, 2.0}, {3.0, 5.0}, {7.0, 10.0}, {420.0, 500.0}})
    EXPECT_DOUBLE_EQ(nice_step(in), out) << in;
}

TEST(ReportDrawing, ColumnsKeepTheirExtremesAndLabelsDoNotTouch) {
  std::vector<pixel_point> points;
  for (int i = 0; i < 1000; ++i) points.push_back({10 + i / 1000.0, double((i + 3) % 7)});
  points.push_back({11.2, 3});
  const std::vector<pixel_point> reduced = reduce_columns(points);
  ASSERT_EQ(reduced.size(), 4u + 1);
  EXPECT_DOUBLE_EQ(reduced.front().y, 3);  // first of the column
  double low = 99, high = -1;
  for (std::size_t i = 0; i < 4; ++i) low = std::min(low, reduced[i].y), high = std::max(high, reduced[i].y);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 6);
  EXPECT_DOUBLE_EQ(reduced[3].y, (999 + 3) % 7);  // last of the column
  EXPECT_DOUBLE_EQ(reduced[4].x, 11.2);

  std::size_t hidden = 0;
  const auto kept = thin_labels({{30, "c"}, {0, "a"}, {5, "b"}, {12, "d"}}, 12, hidden);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].text, "a");
  EXPECT_EQ(kept[1].text, "d");
  EXPECT_EQ(kept[2].text, "c");
  EXPECT_EQ(hidden, 1u);
}

// scenario_tool draw through its command line.
using run_result = process_result;

run_result draw(const std::string& arguments, const fs::path& scratch) {
  return run_command("'" COMPILA_TOOL "' draw " + arguments, scratch);
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The starter's six files in memory, one changed by `edit`.
memory_scenario_files::files starter_in_memory(const std::function<void(memory_scenario_files::files&)>& edit) {
  const fs::path starter = fs::path(COMPILA_SOURCE_DIR) / "examples/starter";
  memory_scenario_files::files files{{std::string(scenario_names_file), read_file(starter / "scenario.txt")}};
  for (const scenario_file& file : scenario_files)
    files[std::string(file.folder_name)] = read_file(starter / std::string(file.folder_name));
  edit(files);
  return files;
}

// `digits` put in front of the first number after `keyword`.
void prefix_number(std::string& text, const std::string& keyword, const std::string& digits) {
  const std::size_t at = text.find(keyword);
  ASSERT_NE(at, std::string::npos) << keyword;
  text.insert(text.find_first_of("0123456789", at), digits);
}

// A folder held in memory draws from the same decoded files, with the same
// build lines and status, as its build written to disk and read back.
TEST(ReportInput, AFolderBuiltInMemoryIsDrawnFromTheFilesTheBuildWrites) {
  using files = memory_scenario_files::files;
  struct case_ {
    const char* name;
    std::function<void(files&)> edit;
    int status;
  };
  const std::vector<case_> cases{
      {"clean", [](files&) {}, 0},
      {"a station off the grid", [](files& f) { prefix_number(f["treno.txt"], "stazione", "1"); }, 2},
      {"a route too long", [](files& f) { prefix_number(f["linea.txt"], "lunghezza percorso", "9999"); }, 1},
  };
  for (const case_& c : cases) {
    scenario_folder folder;
    std::vector<located_problem> problems;
    ASSERT_TRUE(folder.load(memory_scenario_files(starter_in_memory(c.edit)), problems)) << problem_lines(problems);
    drawn_scenario in_memory;
    std::string error;
    const bool drawn = build_drawn_scenario("starter", folder, in_memory, error);
    EXPECT_EQ(in_memory.build_status, c.status) << c.name;

    scratch_directory scratch;
    const build_result on_disk = build_scenario(folder.text(), scratch.path.string());
    EXPECT_EQ(in_memory.build_lines, on_disk.lines) << c.name;
    ASSERT_EQ(drawn, on_disk.status != 1) << c.name << ": " << error;
    if (!drawn) {
      EXPECT_EQ(error, "starter: the build stopped, so there are no binary files to draw");
      continue;
    }
    drawn_scenario read_back;
    ASSERT_TRUE(load_directory(scratch.path.string(), read_back, error)) << error;
    EXPECT_EQ(in_memory.source, "starter");
    EXPECT_TRUE(in_memory.built_from_folder);
    EXPECT_EQ(in_memory.file_names, read_back.file_names) << c.name;
    EXPECT_TRUE(in_memory.cells == read_back.cells) << c.name;
    EXPECT_TRUE(in_memory.items == read_back.items) << c.name;
    EXPECT_EQ(in_memory.file_notes, read_back.file_notes) << c.name;
    ASSERT_EQ(in_memory.course.size(), read_back.course.size()) << c.name;
    EXPECT_GT(in_memory.course.size(), 4000u) << c.name;
    for (std::size_t i = 0; i < in_memory.course.size(); ++i) {
      const course_point &a = in_memory.course[i], &b = read_back.course[i];
      ASSERT_TRUE(a.metre == b.metre && a.x == b.x && a.y == b.y) << c.name << ", point " << i;
    }
  }
}

TEST(DrawCommand, DrawsAFolderWithItsDiagnosticAndAFileDirectory) {
  scratch_directory scratch;
  // A copy of the starter whose train source puts a station off the 50 m grid.
  const fs::path folder = scratch / "folder";
  fs::copy(fs::path(COMPILA_SOURCE_DIR) / "examples/starter", folder);
  std::string train = read_file(folder / "treno.txt");
  const std::size_t station = train.find("stazione");
  ASSERT_NE(station, std::string::npos);
  const std::size_t value = train.find_first_of("0123456789", station);
  train.insert(value, "1");  // position now ends in 1..9: not a multiple of 50
  std::ofstream(folder / "treno.txt", std::ios::binary) << train;
  // And a misspelt keyword in the line source, which only check warns of.
  std::string line = read_file(folder / "linea.txt");
  const std::size_t gradient = line.find("pendenza,  1800");
  ASSERT_NE(gradient, std::string::npos);
  line.replace(gradient, 8, "pendenze");
  std::ofstream(folder / "linea.txt", std::ios::binary) << line;
  const auto line_number = 1 + std::count(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(gradient), '\n');

  // The folder is built in memory: nothing lands in the system's temporary directory.
  const fs::path temporary = scratch / "tmp";
  fs::create_directories(temporary);
  run_result from_folder;
  {
    const scoped_environment tmpdir("TMPDIR", temporary.string()), tmp("TMP", temporary.string());
    from_folder = draw(quoted(folder) + " -o " + quoted(scratch / "folder.html"), scratch.path);
  }
  EXPECT_EQ(from_folder.status, 0) << from_folder.err;
  // (The test's own process captures may sit there too; only the draw's build directory matters.)
  for (const auto& left : fs::directory_iterator(temporary))
    EXPECT_EQ(left.path().filename().string().rfind("scenario_tool_draw_", 0), std::string::npos)
        << "the draw left its build directory " << left.path();
  const std::string page = read_file(scratch / "folder.html");
  EXPECT_NE(page.find("diagnostic 8"), std::string::npos);
  EXPECT_NE(from_folder.err.find("diagnostic 8"), std::string::npos);
  EXPECT_NE(page.find("Findings of scenario_tool check"), std::string::npos);
  EXPECT_NE(page.find("linea.txt:" + std::to_string(line_number) + ": "), std::string::npos);
  EXPECT_NE(page.find("[-Wunknown-keyword]"), std::string::npos);
  EXPECT_FALSE(fs::exists(scratch / "folder.html.tmp"));

  const fs::path files = scratch / "files";
  fs::create_directories(files);
  build_embedded(files);
  const run_result from_files = draw(quoted(files) + " -o " + quoted(scratch / "files.html"), scratch.path);
  EXPECT_EQ(from_files.status, 0) << from_files.err;
  EXPECT_NE(read_file(scratch / "files.html").find("CORVALIA"), std::string::npos);
}

TEST(DrawCommand, AFolderWhoseBuildStopsGivesNoPage) {
  scratch_directory scratch;
  const fs::path folder = scratch / "folder";
  fs::copy(fs::path(COMPILA_SOURCE_DIR) / "examples/starter", folder);
  std::string line = read_file(folder / "linea.txt");
  const std::size_t length = line.find("lunghezza percorso");
  ASSERT_NE(length, std::string::npos);
  line.insert(line.find_first_of("0123456789", length), "9999");  // far above 1,000,000 m
  std::ofstream(folder / "linea.txt", std::ios::binary) << line;

  const run_result r = draw(quoted(folder) + " -o " + quoted(scratch / "page.html"), scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("diagnostic 1:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the build stopped, so there are no binary files to draw"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(scratch / "page.html"));
}

TEST(DrawCommand, MissingAmbiguousAndDamagedFilesAreNamed) {
  scratch_directory scratch;
  const fs::path files = scratch / "files";
  fs::create_directories(files);
  build_embedded(files);
  const fs::path track = files / "Corvalia_Brunasco-Alpestra_40517.dat";
  const fs::path out = scratch / "out.html";
  const std::string arguments = quoted(files) + " -o " + quoted(out);

  fs::copy_file(track, files / "Other_1.dat");
  run_result r = draw(arguments, scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("more than one track file (*.dat): Corvalia_Brunasco-Alpestra_40517.dat, Other_1.dat"),
            std::string::npos)
      << r.err;
  fs::remove(files / "Other_1.dat");

  fs::remove(files / "Corvalia_Brunasco-Alpestra_40517.sim");
  r = draw(arguments, scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no train item file (*.sim)"), std::string::npos) << r.err;

  build_embedded(files);
  fs::resize_file(track, 15 * 100 + 7);
  r = draw(arguments, scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(track.filename().string() + ": byte 1500: "), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));

  r = draw(quoted(scratch / "nowhere") + " -o " + quoted(out), scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no such directory"), std::string::npos) << r.err;

  build_embedded(files);
  r = draw(quoted(files) + " -o " + quoted(scratch / "no_folder" / "out.html"), scratch.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no_folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace compila::testing
