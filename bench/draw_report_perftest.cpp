// Times scenario_tool draw's page on the largest route: writes the route's
// three binary files into the directory given (built through the core),
// then reads and draws them five times and prints the page's size and the times.
//   draw_report_perftest DIR      (then: scenario_tool draw DIR -o page.html)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/build_pipeline.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "reading/source_files.h"
#include "tool/report/report_input.h"
#include "tool/report/report_page.h"

int main(int argc, char** argv) {
  using namespace compila;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  std::filesystem::create_directories(dir);
  scenario_model model;
  model.line_name = "Corvalia_Brunasco-Alpestra";
  model.train_number = "40517";
  memory_source_files sources;
  sources.files[line_source_name(model)] = large_scenario::line_source();
  sources.files[train_source_name(model)] = large_scenario::train_source();
  const build_outcome outcome = build_from_sources(model, true, sources, dir);
  if (outcome.end != build_outcome::kind::written) {
    std::fprintf(stderr, "the largest route did not build: %s\n", outcome.message.c_str());
    return 1;
  }
  std::vector<double> load_ms, draw_ms, cpu_ms;
  std::string page;
  report::page_stats stats;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    report::drawn_scenario scenario;
    std::string error;
    if (!report::load_directory(dir, scenario, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    const auto loaded = std::chrono::steady_clock::now();
    page = report::render_report(scenario, {}, &stats);
    const auto drawn = std::chrono::steady_clock::now();
    cpu_ms.push_back(1000.0 * static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    load_ms.push_back(std::chrono::duration<double, std::milli>(loaded - start).count());
    draw_ms.push_back(std::chrono::duration<double, std::milli>(drawn - loaded).count());
  }
  std::sort(load_ms.begin(), load_ms.end());
  std::sort(draw_ms.begin(), draw_ms.end());
  std::sort(cpu_ms.begin(), cpu_ms.end());
  std::printf("largest route: page %zu bytes; course %zu of %zu plan points within %.1f m\n", page.size(),
              stats.drawn_points, stats.plan_points, stats.tolerance_m);
  std::printf("read and decode the files: median %.0f ms (min %.0f)\n", load_ms[2], load_ms[0]);
  std::printf("draw the page:             median %.0f ms (min %.0f)\n", draw_ms[2], draw_ms[0]);
  std::printf("processor time, both:      median %.0f ms (min %.0f)\n", cpu_ms[2], cpu_ms[0]);
  return 0;
}
