#include "driver/competition_codes.h"

#include <string>

namespace compila {
namespace {

constexpr char filler_text[] = "bbcceeffgghhllmmnnpprrsstt";
constexpr std::size_t counted_positions = 25;

// The train number followed by the line name, lower-cased (only the letters A
// to Z change; other bytes are kept), then the filler text. It is left in
// `current_line`.
const std::string& build_code_string(scenario_model& model) {
  std::string code = model.items[86].text + model.items[85].text;
  for (char& c : code)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  code += filler_text;
  model.current_line = std::move(code);
  return model.current_line;
}

std::int32_t character_code(char c) { return static_cast<unsigned char>(c); }

}  // namespace

std::int32_t plain_competition_code(scenario_model& model) {
  const std::string& code = build_code_string(model);
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < counted_positions; ++i) sum += character_code(code[i]);
  return sum;
}

std::int32_t weighted_competition_code(scenario_model& model) {
  const std::string& code = build_code_string(model);
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < counted_positions; ++i) sum += static_cast<std::int32_t>(i + 1) * character_code(code[i]);
  return sum;
}

}  // namespace compila
