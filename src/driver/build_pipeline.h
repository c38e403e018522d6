// The build, step by step: `run_program` is the program's start;
// `build_scenario` writes the scenario's text files and runs
// `build_from_sources`, which compiles the sources, completes and stamps the
// model and writes the binary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/scenario_model.h"
#include "model/scenario_text.h"
#include "reading/source_files.h"

namespace compila {

// How a build frame ended.
struct build_outcome {
  enum class kind {
    written,      // the binary files are written (a diagnostic may be recorded)
    no_track,     // the line source gave no route length: nothing to write
    refused,      // a reserved field was occupied: `refusal` holds "1250" or "1251"
    write_failed  // a binary file could not be written: `message` says which and why
  };
  kind end = kind::written;
  std::string refusal;
  std::string message;
};

// Compiles the two source files found by `sources`, completes, checks and
// stamps the model, and writes the binary files into `directory`;
// `with_plan` builds the track plan and writes the line data file.
build_outcome build_from_sources(scenario_model& model, bool with_plan, source_files& sources,
                                 const std::string& directory);

// The steps of build_from_sources before the writing: `written` when the
// model is complete and stamped, ready for the binary files.
build_outcome compile_and_stamp(scenario_model& model, bool with_plan, source_files& sources);

// Each binary file of the model streamed into `directory` under its name,
// through a temporary file that replaces the old one only once complete;
// false with `error` naming the file and the reason.
[[nodiscard]] bool write_line_data_file(const scenario_model& model, const std::string& directory, std::string& error);
[[nodiscard]] bool write_item_file(const scenario_model& model, const std::string& directory, std::string& error);
[[nodiscard]] bool write_track_file(const scenario_model& model, const std::string& directory, std::string& error);
// All three, the line data file only when the plan is built; `written`, or
// `write_failed` with the message of the first file that could not be written.
build_outcome write_binary_files(const scenario_model& model, const std::string& directory);

// The reserved-field checks, the format markers and the competition codes,
// on a model whose cells exist: param_1 and param_2 of cell 1 and word_1 and
// seconds of item 85 are reserved for them. Returns the refusal "1250" or
// "1251" when a source has put something there, else nullptr.
const char* stamp_model(scenario_model& model);

// One line for the diagnostic held in the model, naming the file and line
// where it arose: "file:line: diagnostic 15: ...".
std::string diagnostic_report(const scenario_model& model);

// Shows " Errore n. " followed by `code` and ends the program (status 1).
[[noreturn]] void show_error_and_exit(const std::string& code);

// How a whole build ended: the exit status (0 for a clean build, 2 when the
// files are written with a diagnostic, 1 when the build stops or a file
// cannot be written) and, when a reserved field was occupied, the refusal
// "1250" or "1251" that the caller shows as " Errore n. " + refusal.
struct build_result {
  int status = 0;
  std::string refusal;
  std::vector<std::string> lines;  // the diagnostic and failure lines, as printed
};

// The whole build of `scenario` into `directory`: the five text files, both
// compilers, post-processing, checks, codes and the binary files. The
// diagnostic and failure lines go to standard error.
build_result build_scenario(const scenario_text& scenario, const std::string& directory);

// The same build held in memory, for the tools: no file is written and no
// line printed. `model` is left complete and stamped, ready for the encoders
// of format/binary_writer.h, when the status is not 1. The status, refusal
// and lines are those build_scenario gives for the same scenario.
build_result build_in_memory(const scenario_text& scenario, scenario_model& model);

// Runs the whole build of `scenario` in the program directory and returns the
// program's exit status; a refusal ends the program through `show_error_and_exit`.
int run_program(const scenario_text& scenario);

}  // namespace compila
