// The two competition codes stamped on every scenario, derived from the train
// number and the line name held in items 86 and 85.
#pragma once

#include <cstdint>

#include "model/scenario_model.h"

namespace compila {

// The plain sum of the character codes at positions 1 to 25 of the code
// string (0 to 6375); stored in cells[1].param_2.
std::int32_t plain_competition_code(scenario_model& model);
// The same characters weighted by their position (0 to 82875); stored in
// items[85].seconds.
std::int32_t weighted_competition_code(scenario_model& model);

}  // namespace compila
