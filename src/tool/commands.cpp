#include <array>

#include "tool/tool_command.h"

namespace compila::tool {

std::span<const command> commands() {
  static const std::array table{
      command{"build", "compile a scenario folder into the simulator's files", define_build},
      command{"check", "list every problem of a scenario folder at its file and line", define_check},
      command{"decompile", "write the scenario folder back from a build's files or a packed program", define_decompile},
      command{"draw", "draw a scenario's map and profile as one HTML page", define_draw},
      command{"dump", "show the binary files of a build field by field, as text or JSON", define_dump},
      command{"init", "write the starter scenario into a new folder", define_init},
      command{"lsp", "serve the scenario files to an editor: the Language Server Protocol on standard input and output",
              define_lsp},
      command{"pack", "write a program that carries a scenario folder and builds it", define_pack},
#ifdef COMPILA_HAVE_SERVE
      command{"serve", "show a live page of a scenario folder, redrawn on every save", define_serve},
#endif
  };
  return table;
}

}  // namespace compila::tool
