#include "model/error_kinds.h"

namespace compila::error_kinds {

std::string_view meaning(std::int32_t code) {
  switch (code) {
    case route_too_long: return "route length above 1,000,000 metres";
    case chainage_not_multiple: return "a chainage breakpoint is not a multiple of 50";
    case repetition_first: return "first signal repetition value not a multiple of 50";
    case repetition_second: return "second signal repetition value not a multiple of 50";
    case repetition_code: return "signal repetition keyword holds neither \"4\" nor \"9\"";
    case signboard_cell: return "signboard on a cell that is not free";
    case reduction_cell: return "reduction point on a cell that is not free";
    case station_position: return "station position not a multiple of 50";
    case station_length: return "station length not a multiple of 100";
    case station_slots: return "station slots used up";
    case auto_point_signal: return "no free cell for a reduction point ahead of a signal";
    case auto_point_approach: return "no free cell for a reduction point before a slowdown start";
    case auto_point_slowdown: return "no free cell for a reduction point in or after a slowdown";
    case beyond_track: return "a position beyond the track";
    case signal_cell: return "signal on a cell that is not free";
    case warning_cell: return "slowdown warning board on a cell that is not free";
    case slowdown_start_cell: return "slowdown start on a cell that is not free";
    case slowdown_end_cell: return "slowdown end on a cell that is not free";
    case countdown_cell: return "slowdown countdown cell not free";
    case speed_board_cell: return "speed indicator board on a cell that is not free";
    case station_too_close: return "station less than 350 metres after the previous one";
    case stopping_point_too_early: return "station stopping point on cell 1 or below";
    case read_failure: return "read failure";
    case line_source_missing: return "line source file missing";
    case no_general_section: return "no \"[generale]\" section in the line source file";
    case bad_curve: return "curve without a class, or the plan passing 1,000,000 points";
    default: return "unknown diagnostic";
  }
}

}  // namespace compila::error_kinds
