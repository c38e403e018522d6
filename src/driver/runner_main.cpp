// compila_runner: the prebuilt program that `scenario_tool pack` copies. It
// finds the scenario appended to its own file and runs the build of a
// compila_scenario that carries that scenario, writing into its own
// directory. Without a sound scenario it says what is wrong with which file,
// in the message box, and ends with status 1 having written nothing.
// `--version` prints the version of the runner and writes nothing.
#include <string>

#include "driver/build_pipeline.h"
#include "driver/program_version.h"
#include "platform/platform.h"
#include "scenario/packed_size.h"
#include "scenario/scenario_payload.h"

namespace {

// pack writes the packed program's size here, in the copy it writes; read
// through volatile so that the compiler keeps the bare runner's zero unknown.
constinit const volatile compila::packed_size_slot packed_size = compila::bare_packed_size_slot();

}  // namespace

int main(int argc, char** argv) {
  if (compila::asks_for_version(argc, argv)) return compila::print_version("compila_runner");
  const std::string program = compila::platform::program_path();
  if (program.empty()) {
    compila::platform::show_message_box("cannot find the program's own file, which carries its scenario");
    return 1;
  }
  compila::scenario_folder folder;
  std::string error;
  if (!compila::load_packed_scenario(program, compila::packed_size_of(packed_size), folder, error)) {
    compila::platform::show_message_box(error);
    return 1;
  }
  return compila::run_program(folder.text());
}
