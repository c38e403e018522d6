// The build of the largest route (1,000,000 m) measured whole and phase by
// phase, beside the plain streaming of the same bytes (plain_file_work), and
// the embedded scenario's build beside its plain file work. After the runs it
// prints the ratios and the peak resident memory of a whole largest-route
// build, run as its own process (large_route_build).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

#include "driver/build_pipeline.h"
#include "driver/competition_codes.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "large_scenario.h"
#include "line_compiler/line_source.h"
#include "model/file_names.h"
#include "plain_file_work.h"
#include "platform/file_writer.h"
#include "reading/source_files.h"
#include "scenario/text_writers.h"
#include "scenario_in_memory.h"
#include "train_compiler/train_source.h"

namespace compila::bench {
namespace {

namespace fs = std::filesystem;

std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

[[noreturn]] void give_up(const std::string& reason) {
  std::fprintf(stderr, "benchmark: %s\n", reason.c_str());
  std::exit(1);
}

scenario_model named(const scenario_text& text, bool with_plan) {
  scenario_model model;
  model.line_name = text.line_name;
  model.train_number = text.train_number;
  model.with_plan = with_plan;
  return model;
}

// Everything the phases start from: the two source texts as the program
// writes them, and the model after each phase.
struct scenario_fixture {
  std::string directory;
  std::string line_text, train_text;
  scenario_model after_line, after_train, after_post_processing, stamped;
  plain_build_files files;

  scenario_fixture(const scenario_text& text, const std::string& folder) : directory(folder) {
    fs::remove_all(directory);
    fs::create_directories(directory);
    scenario_model model = named(text, true);
    std::string error;
    if (!write_text_files(model, text, directory, error)) give_up(error);
    for (const scenario_file& file : scenario_files) {
      const std::string name = output_name(file, model);
      files.text_files.push_back({name, read_whole(fs::path(directory) / name)});
    }
    files.source_names = {line_source_name(model), train_source_name(model)};
    line_text = files.text_files[0].bytes;
    train_text = files.text_files[1].bytes;

    after_line = named(text, true);
    for (item& it : after_line.items) it = item{};
    const line_reading reading = read_line_source(after_line, line_text, line_source_name(after_line));
    after_train = after_line;
    read_train_source(after_train, train_text, train_source_name(after_train), reading.next_signboard_slot);
    after_post_processing = after_train;
    post_process_track(after_post_processing);
    stamped = after_post_processing;
    if (stamp_model(stamped) != nullptr) give_up("the scenario is refused");

    directory_source_files sources(directory);
    scenario_model built = named(text, true);
    if (build_from_sources(built, true, sources, directory).end != build_outcome::kind::written)
      give_up("the build wrote no files");
    for (const std::string& name : {line_data_name(built), item_file_name(built), track_file_name(built)})
      files.binary_files.push_back({name, read_whole(fs::path(directory) / name)});
  }
};

// The three binary files, each encoded and written as the build frame does.
bool write_line_data(const scenario_model& model, const std::string& directory) {
  std::string error;
  return write_line_data_file(model, directory, error);
}
bool write_item(const scenario_model& model, const std::string& directory) {
  std::string error;
  return write_item_file(model, directory, error);
}
bool write_track(const scenario_model& model, const std::string& directory) {
  std::string error;
  return write_track_file(model, directory, error);
}

void require(benchmark::State& state, bool done) {
  if (!done) state.SkipWithError("a file could not be written");
}

void register_scenario(const std::string& prefix, const scenario_text& text, const scenario_fixture& f, bool phases) {
  auto add = [&](const std::string& name, auto&& body) {
    benchmark::RegisterBenchmark((prefix + name).c_str(), body)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", [](const std::vector<double>& times) {
          return *std::min_element(times.begin(), times.end());
        });
  };
  add("/whole_build", [&text, &f](benchmark::State& state) {
    for (auto _ : state) require(state, build_scenario(text, f.directory).status == 0);
  });
  add("/plain_file_work", [&f](benchmark::State& state) {
    for (auto _ : state) require(state, plain_file_work(f.directory, f.files));
  });
  if (!phases) return;
  add("/read_line_source", [&text, &f](benchmark::State& state) {
    for (auto _ : state) {
      scenario_model model = named(text, true);
      benchmark::DoNotOptimize(read_line_source(model, f.line_text, "linea"));
    }
  });
  add("/read_line_source_without_plan", [&text, &f](benchmark::State& state) {
    for (auto _ : state) {
      scenario_model model = named(text, false);
      benchmark::DoNotOptimize(read_line_source(model, f.line_text, "linea"));
    }
  });
  // The plan's doubles, recomputed from its runs as each half of the line
  // data file is written.
  add("/compute_plan_points", [&f](benchmark::State& state) {
    for (auto _ : state) {
      double last = 0.0;
      f.stamped.track_plan.for_each_computed_point([&last](double x, double y) { last = x + y; });
      benchmark::DoNotOptimize(last);
    }
  });
  add("/read_train_source", [&f](benchmark::State& state) {
    for (auto _ : state) {
      state.PauseTiming();
      scenario_model model = f.after_line;
      state.ResumeTiming();
      benchmark::DoNotOptimize(read_train_source(model, f.train_text, "treno", first_signboard_slot));
    }
  });
  add("/post_processing", [&f](benchmark::State& state) {
    for (auto _ : state) {
      state.PauseTiming();
      scenario_model model = f.after_train;
      state.ResumeTiming();
      post_process_track(model);
      benchmark::DoNotOptimize(model.error_kind);
    }
  });
  add("/write_line_data", [&f](benchmark::State& state) {
    for (auto _ : state) require(state, write_line_data(f.stamped, f.directory));
  });
  add("/write_item_file", [&f](benchmark::State& state) {
    for (auto _ : state) require(state, write_item(f.stamped, f.directory));
  });
  add("/write_track_file", [&f](benchmark::State& state) {
    for (auto _ : state) require(state, write_track(f.stamped, f.directory));
  });
  add("/plain_write_line_data", [&f](benchmark::State& state) {
    for (auto _ : state) require(state, plain_write(f.directory, f.files.binary_files[0]));
  });
}

// Elapsed and processor time of one call, in milliseconds.
std::pair<double, double> timed(const std::function<void()>& work) {
  timespec cpu_start{}, cpu_end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_start);
  const auto start = std::chrono::steady_clock::now();
  work();
  const auto end = std::chrono::steady_clock::now();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_end);
  const double cpu = (cpu_end.tv_sec - cpu_start.tv_sec) * 1e3 + (cpu_end.tv_nsec - cpu_start.tv_nsec) / 1e6;
  return {std::chrono::duration<double, std::milli>(end - start).count(), cpu};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The two pieces of work run in turn, round after round, so that the load of
// a shared machine falls on both alike: the median of the per-round ratios,
// elapsed and processor time.
std::pair<double, double> side_by_side(const std::function<void()>& measured, const std::function<void()>& floor,
                                       int rounds) {
  std::vector<double> elapsed, processor;
  for (int round = 0; round < rounds; ++round) {
    const auto [a_real, a_cpu] = timed(measured);
    const auto [b_real, b_cpu] = timed(floor);
    elapsed.push_back(a_real / b_real);
    processor.push_back(a_cpu / b_cpu);
  }
  return {median(elapsed), median(processor)};
}

// The targets are set on elapsed time; processor time, which the machine's
// other work disturbs less, is printed beside it.
void print_ratio(const char* what, std::pair<double, double> ratio, double target) {
  std::printf("%-50s %5.2fx %-7s  (processor time %5.2fx)\n", what, ratio.first,
              ratio.first <= target ? "met" : "NOT MET", ratio.second);
}

// Runs large_route_build as a process of its own and reads the peak resident
// memory it reports.
void print_peak_memory(const std::string& driver, const std::string& directory) {
  const std::string command = "'" + driver + "' '" + directory + "/rss'";
  long kib = -1;
  int status = 0;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    if (std::fscanf(pipe, "peak resident memory of the largest-route build: %ld KiB (status %d)", &kib, &status) != 2)
      kib = -1;
    pclose(pipe);
  }
  if (kib < 0) {
    std::printf("peak resident memory: cannot run %s\n", driver.c_str());
    return;
  }
  std::printf("%-52s %7.2f MiB (target 8 MB = 7.63 MiB) %s%s\n", "peak resident memory, whole largest-route build",
              static_cast<double>(kib) / 1024.0, kib * 1024L <= 8'000'000L ? "met" : "NOT MET",
              status == 0 ? "" : " (the build failed)");
}

}  // namespace
}  // namespace compila::bench

int main(int argc, char** argv) {
  using namespace compila;
  using namespace compila::bench;
  benchmark::Initialize(&argc, argv);
  const std::string output = "bench_output";
  const scenario_in_memory large(large_scenario::folder_files());
  const scenario_fixture large_fixture(large.text(), output + "/large");
  const scenario_fixture embedded_fixture(embedded_scenario(), output + "/embedded");
  register_scenario("large", large.text(), large_fixture, true);
  register_scenario("embedded", embedded_scenario(), embedded_fixture, false);

  benchmark::RunSpecifiedBenchmarks();

  constexpr int rounds = 31;
  auto build = [](const scenario_text& text, const scenario_fixture& f) {
    return [&text, &f] {
      if (build_scenario(text, f.directory).status != 0) give_up("the build failed");
    };
  };
  auto plain = [](const scenario_fixture& f) {
    return [&f] {
      if (!plain_file_work(f.directory, f.files)) give_up("the plain file work failed");
    };
  };
  std::printf("\nRatios of elapsed time, target 1.5x: the median of %d rounds, each running both in turn\n", rounds);
  print_ratio("largest route: whole build / plain file work",
              side_by_side(build(large.text(), large_fixture), plain(large_fixture), rounds), 1.5);
  print_ratio("largest route: line data file / plain write of it",
              side_by_side([&] { write_line_data(large_fixture.stamped, large_fixture.directory); },
                           [&] { plain_write(large_fixture.directory, large_fixture.files.binary_files[0]); }, rounds),
              1.5);
  print_ratio("embedded scenario: whole build / plain file work",
              side_by_side(build(embedded_scenario(), embedded_fixture), plain(embedded_fixture), rounds), 1.5);
  print_peak_memory(LARGE_ROUTE_BUILD, output);
  benchmark::Shutdown();
  return 0;
}
