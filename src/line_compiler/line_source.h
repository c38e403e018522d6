// The line source compiler: reads the line source file (general section,
// then gradients, curves, mountain spans, speed indicator boards and
// signboards in any order) into the scenario model.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/scenario_model.h"
#include "reading/source_reading.h"

namespace compila {

inline constexpr std::int32_t max_route_length_m = 1'000'000;
// The shortest route length whose track still has a cell 1: (length + 7000)
// / 50 must round to at least 1, so the extent must be at least 26 metres.
inline constexpr std::int32_t min_route_length_m = 26 - extent_beyond_route_m;
inline constexpr std::int32_t max_plan_points = 1'000'000;
inline constexpr std::int32_t first_signboard_slot = 80;

// Turn per metre of the curve classes 1 to 6.
inline constexpr std::array<double, 6> curve_class_curvature{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

// Mountain spans: a kind above tunnel_marker_kind_offset asks for tunnel
// markers (every tunnel_marker_spacing-th cell of the span) and stands for
// the kind less the offset; a span that starts at most close_follow_gap_m
// after the end of the span read before it gets close_follow_kind.
inline constexpr std::int32_t tunnel_marker_kind_offset = 10;
inline constexpr std::int32_t tunnel_marker_spacing = 4;
inline constexpr std::int32_t close_follow_gap_m = 150;
inline constexpr std::int32_t close_follow_kind = 3;

struct line_reading {
  reading_end end = reading_end::complete;
  // The next free signboard slot, counting down from 80; it bounds the
  // station slots of the train source.
  std::int32_t next_signboard_slot = first_signboard_slot;
  // Where the breakpoints now in items 81, 82 and 83 were read, for the
  // chainage check made after the train source.
  std::array<diagnostic_site, 3> breakpoint_sites;
};

// The record tests of the general section and of the record part (the
// curve test as with the plan built), in the order the reading applies them.
std::span<const keyword_test> general_record_tests();
std::span<const keyword_test> line_record_tests();

// Reads the whole line source text. On a complete reading (also after a
// position beyond the track) the gradient profile and the plan are completed.
line_reading read_line_source(scenario_model& model, std::string_view text, std::string file_name,
                              reading_observer* observer = nullptr);

// Puts the three chainage breakpoints of items 81 to 83 in order and applies
// the flag rule; false when a chainage value plus 100 no longer fits 32 bits.
// `origin`, when given, receives for items 81 to 83 the slot each breakpoint
// was read into (81 "tre", 82 "due", 83 "uno"), or 0 where all became zero.
bool sort_chainage_breakpoints(scenario_model& model, std::array<int, 3>* origin = nullptr);

}  // namespace compila
