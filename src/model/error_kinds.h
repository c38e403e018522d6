// The build diagnostics kept in `error_kind`, 0 when there is none.
#pragma once

#include <cstdint>
#include <string_view>

namespace compila::error_kinds {

inline constexpr std::int32_t route_too_long = 1;             // route length above 1,000,000
inline constexpr std::int32_t chainage_not_multiple = 2;      // chainage breakpoint not a multiple of 50
inline constexpr std::int32_t repetition_first = 3;           // first signal repetition value not a multiple of 50
inline constexpr std::int32_t repetition_second = 4;          // second signal repetition value not a multiple of 50
inline constexpr std::int32_t repetition_code = 5;            // repetition keyword with neither "4" nor "9"
inline constexpr std::int32_t signboard_cell = 6;             // signboard on a cell that is not free
inline constexpr std::int32_t reduction_cell = 7;             // reduction point on a cell that is not free
inline constexpr std::int32_t station_position = 8;           // station position not a multiple of 50
inline constexpr std::int32_t station_length = 9;             // station length not a multiple of 100
inline constexpr std::int32_t station_slots = 10;             // station slots used up
inline constexpr std::int32_t auto_point_signal = 11;         // no room for a point ahead of a signal
inline constexpr std::int32_t auto_point_approach = 12;       // no room for a point before a slowdown start
inline constexpr std::int32_t auto_point_slowdown = 13;       // no room for a point in or after a slowdown
inline constexpr std::int32_t beyond_track = 15;              // a position beyond the track
inline constexpr std::int32_t signal_cell = 16;               // signal on a cell that is not free
inline constexpr std::int32_t warning_cell = 17;              // slowdown warning board cell not free
inline constexpr std::int32_t slowdown_start_cell = 18;       // slowdown start cell not free
inline constexpr std::int32_t slowdown_end_cell = 19;         // slowdown end cell not free
inline constexpr std::int32_t countdown_cell = 20;            // slowdown countdown cell not free
inline constexpr std::int32_t speed_board_cell = 21;          // speed indicator board on a cell that is not free
inline constexpr std::int32_t station_too_close = 22;         // station less than 350 m after the previous one
inline constexpr std::int32_t stopping_point_too_early = 24;  // station stopping point on cell 1 or below
inline constexpr std::int32_t read_failure = 25;              // any read failure
inline constexpr std::int32_t line_source_missing = 101;      // no line source file
inline constexpr std::int32_t no_general_section = 102;       // no "[generale]" in the line source file
inline constexpr std::int32_t bad_curve = 103;                // curve without a class, or plan past 1,000,000 points

// One line saying what a code means, for the report at the end of a run.
std::string_view meaning(std::int32_t code);

}  // namespace compila::error_kinds
