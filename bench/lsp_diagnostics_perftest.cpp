// Times scenario_tool lsp's diagnostics for the largest route after a
// change: writes the route's folder into DIR, opens its linea.txt and
// treno.txt in a language server, then edits one digit of linea.txt again
// and again, each edit answered by the check of the whole folder and the
// diagnostics of both files. Prints the median and the slowest of the
// rounds against the target of 100 ms.
//   lsp_diagnostics_perftest DIR [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "large_scenario.h"
#include "platform/utf8_path.h"
#include "tool/lsp/document_uri.h"
#include "tool/lsp/language_server.h"
#include "tool/lsp/text_positions.h"

namespace {

using json = nlohmann::json;

json message(const std::string& method, const json& params, int id = 0) {
  json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
  if (id != 0) m["id"] = id;
  return m;
}

// The first line of `text` that starts with `keyword`, and the column of its
// last character.
compila::lsp::text_position last_character_of(const std::string& text, const std::string& keyword) {
  const std::vector<std::size_t> starts = compila::lsp::line_starts(text);
  for (std::size_t line = 0; line < starts.size(); ++line) {
    const std::string_view content = compila::lsp::line_text(text, static_cast<std::int64_t>(line));
    if (content.starts_with(keyword))
      return {static_cast<std::int64_t>(line), static_cast<std::int64_t>(content.size()) - 1};
  }
  return {0, 0};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace compila;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 31;
  std::filesystem::create_directories(utf8_path(dir));
  const memory_scenario_files::files files = large_scenario::folder_files();
  for (const auto& [name, text] : files) std::ofstream(utf8_path(dir + "/" + name), std::ios::binary) << text;

  int diagnostics = 0;
  std::size_t findings = 0;
  lsp::language_server server([&](const json& m) {
    if (m.value("method", "") != "textDocument/publishDiagnostics") return;
    ++diagnostics;
    findings += m["params"]["diagnostics"].size();
  });
  server.handle(message("initialize", {{"capabilities", json::object()}}, 1).dump());
  const std::string line_uri = lsp::uri_of_path(dir + "/linea.txt");
  for (const char* name : {"linea.txt", "treno.txt"})
    server.handle(message("textDocument/didOpen",
                          {{"textDocument", {{"uri", lsp::uri_of_path(dir + "/" + name)}, {"text", files.at(name)}}}})
                      .dump());
  // The last digit of the first gradient record, changed back and forth.
  const lsp::text_position at = last_character_of(files.at("linea.txt"), "pendenza");
  std::vector<double> elapsed_ms;
  for (int round = 0; round < rounds; ++round) {
    const json edit =
        message("textDocument/didChange", {{"textDocument", {{"uri", line_uri}, {"version", round + 2}}},
                                           {"contentChanges",
                                            {{{"range",
                                               {{"start", {{"line", at.line}, {"character", at.character}}},
                                                {"end", {{"line", at.line}, {"character", at.character + 1}}}}},
                                              {"text", round % 2 == 0 ? "1" : "2"}}}}});
    const std::string body = edit.dump();
    const int before = diagnostics;
    findings = 0;
    const auto start = std::chrono::steady_clock::now();
    server.handle(body);
    elapsed_ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (diagnostics != before + 2) {
      std::fprintf(stderr, "a change did not publish the diagnostics of both files\n");
      return 1;
    }
  }
  std::sort(elapsed_ms.begin(), elapsed_ms.end());
  const double median = elapsed_ms[elapsed_ms.size() / 2];
  std::printf(
      "lsp diagnostics of the largest route after a change (%d rounds, %zu findings in the last): "
      "median %.1f ms, slowest %.1f ms (target 100 ms) %s\n",
      rounds, findings, median, elapsed_ms.back(), median <= 100.0 ? "met" : "NOT MET");
  return 0;
}
