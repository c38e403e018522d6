// The line source compiler: reads the line source file (general section,
// then gradients, curves, mountain spans, speed indicator boards and
// signboards in any order) into the scenario model.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "line_compiler/source_reading.h"
#include "model/scenario_model.h"

namespace compila {

inline constexpr std::int32_t max_route_length_m = 1'000'000;
inline constexpr std::int32_t max_plan_points = 1'000'000;
inline constexpr std::int32_t first_signboard_slot = 80;

struct line_reading {
  reading_end end = reading_end::complete;
  // The next free signboard slot, counting down from 80; it bounds the
  // station slots of the train source.
  std::int32_t next_signboard_slot = first_signboard_slot;
};

// Reads the whole line source text. On a complete reading (also after a
// position beyond the track) the gradient profile and the plan are completed.
line_reading read_line_source(scenario_model& model, std::string_view text, std::string file_name);

// Puts the three chainage breakpoints of items 81 to 83 in order and applies
// the flag rule; false when a chainage value plus 100 no longer fits 32 bits.
bool progressive_ordina(scenario_model& model);

}  // namespace compila
