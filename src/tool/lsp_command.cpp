// scenario_tool lsp: the language server of the scenario files, speaking the
// Language Server Protocol over standard input and output until "exit" or
// the end of its input. An editor starts it (see the README's "Editors").
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "platform/binary_stdio.h"
#include "tool/lsp/language_server.h"
#include "tool/lsp/message_stream.h"
#include "tool/tool_command.h"

namespace compila::tool {
namespace {

void send_message(const nlohmann::json& message) {
  const std::string bytes = lsp::framed(message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

int run_lsp() {
  platform::use_binary_standard_streams();
  std::ios::sync_with_stdio(false);
  lsp::language_server server(send_message);
  lsp::message_reader reader(std::cin);
  for (;;) {
    lsp::framed_message message = reader.next();
    if (message.what == lsp::framed_message::kind::end) return exit_ok;
    if (message.what == lsp::framed_message::kind::problem) {
      server.log(message.text, 1);
      continue;
    }
    server.handle(message.text);
    if (server.finished()) return server.exit_status();
  }
}

}  // namespace

std::function<int()> define_lsp(CLI::App& app) {
  app.footer(
      "Started by an editor, it reads the protocol's messages on standard input and answers on standard "
      "output. Exit status: 0 after shutdown and exit or at the end of the input; 1 on exit without shutdown.");
  return [] { return run_lsp(); };
}

}  // namespace compila::tool
