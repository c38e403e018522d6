// The build diagnostics kept in `error_kind` (0 when there is none): one row
// each, so adding a kind is adding a row.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace compila::error_kinds {

struct error_kind {
  std::int32_t code;
  std::string_view name;     // stable, as the constant below is spelt
  std::string_view meaning;  // one line for the report at the end of a run
};

inline constexpr std::array<error_kind, 26> table{{
    {1, "route_too_long", "route length above 1,000,000 metres"},
    {2, "chainage_not_multiple", "a chainage breakpoint is not a multiple of 50"},
    {3, "repetition_first", "first signal repetition value not a multiple of 50"},
    {4, "repetition_second", "second signal repetition value not a multiple of 50"},
    {5, "repetition_code", "signal repetition keyword holds neither \"4\" nor \"9\""},
    {6, "signboard_cell", "signboard on a cell that is not free"},
    {7, "reduction_cell", "reduction point on a cell that is not free"},
    {8, "station_position", "station position not a multiple of 50"},
    {9, "station_length", "station length not a multiple of 100"},
    {10, "station_slots", "station slots used up"},
    {11, "auto_point_signal", "no free cell for a reduction point ahead of a signal"},
    {12, "auto_point_approach", "no free cell for a reduction point before a slowdown start"},
    {13, "auto_point_slowdown", "no free cell for a reduction point in or after a slowdown"},
    {15, "beyond_track", "a position beyond the track"},
    {16, "signal_cell", "signal on a cell that is not free"},
    {17, "warning_cell", "slowdown warning board on a cell that is not free"},
    {18, "slowdown_start_cell", "slowdown start on a cell that is not free"},
    {19, "slowdown_end_cell", "slowdown end on a cell that is not free"},
    {20, "countdown_cell", "slowdown countdown cell not free"},
    {21, "speed_board_cell", "speed indicator board on a cell that is not free"},
    {22, "station_too_close", "station less than 350 metres after the previous one"},
    {24, "stopping_point_too_early", "station stopping point on cell 1 or below"},
    {25, "read_failure", "read failure"},
    {101, "line_source_missing", "line source file missing"},
    {102, "no_general_section", "no \"[generale]\" section in the line source file"},
    {103, "bad_curve", "curve without a class, or the plan passing 1,000,000 points"},
}};

// The code of the row named `name`; a name not in the table does not compile.
consteval std::int32_t code_of(std::string_view name) {
  for (const error_kind& kind : table)
    if (kind.name == name) return kind.code;
  throw "no error kind of this name";
}

inline constexpr std::int32_t route_too_long = code_of("route_too_long");
inline constexpr std::int32_t chainage_not_multiple = code_of("chainage_not_multiple");
inline constexpr std::int32_t repetition_first = code_of("repetition_first");
inline constexpr std::int32_t repetition_second = code_of("repetition_second");
inline constexpr std::int32_t repetition_code = code_of("repetition_code");
inline constexpr std::int32_t signboard_cell = code_of("signboard_cell");
inline constexpr std::int32_t reduction_cell = code_of("reduction_cell");
inline constexpr std::int32_t station_position = code_of("station_position");
inline constexpr std::int32_t station_length = code_of("station_length");
inline constexpr std::int32_t station_slots = code_of("station_slots");
inline constexpr std::int32_t auto_point_signal = code_of("auto_point_signal");
inline constexpr std::int32_t auto_point_approach = code_of("auto_point_approach");
inline constexpr std::int32_t auto_point_slowdown = code_of("auto_point_slowdown");
inline constexpr std::int32_t beyond_track = code_of("beyond_track");
inline constexpr std::int32_t signal_cell = code_of("signal_cell");
inline constexpr std::int32_t warning_cell = code_of("warning_cell");
inline constexpr std::int32_t slowdown_start_cell = code_of("slowdown_start_cell");
inline constexpr std::int32_t slowdown_end_cell = code_of("slowdown_end_cell");
inline constexpr std::int32_t countdown_cell = code_of("countdown_cell");
inline constexpr std::int32_t speed_board_cell = code_of("speed_board_cell");
inline constexpr std::int32_t station_too_close = code_of("station_too_close");
inline constexpr std::int32_t stopping_point_too_early = code_of("stopping_point_too_early");
inline constexpr std::int32_t read_failure = code_of("read_failure");
inline constexpr std::int32_t line_source_missing = code_of("line_source_missing");
inline constexpr std::int32_t no_general_section = code_of("no_general_section");
inline constexpr std::int32_t bad_curve = code_of("bad_curve");

// One line saying what a code means, "unknown diagnostic" for a code not in the table.
std::string_view meaning(std::int32_t code);

}  // namespace compila::error_kinds
