#include <array>

#include "tool/tool_command.h"

namespace compila::tool {

std::span<const command> commands() {
  static const std::array table{
      command{"build", "compile a scenario folder into the simulator's files", define_build},
      command{"draw", "draw a scenario's map and profile as one HTML page", define_draw},
      command{"init", "write the starter scenario into a new folder", define_init},
  };
  return table;
}

}  // namespace compila::tool
