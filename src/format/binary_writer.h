// Byte layouts of the three binary files that the simulator loads.
//
// All numbers are little-endian, integers two's complement, doubles IEEE 754
// binary64. Records are packed: no padding, no header, no count, no checksum;
// the simulator finds the counts from the route length and the two names.
//
// Text inside a record: u16 byte count n, then n bytes (one per character of
// the 8-bit code page), no terminator; a text longer than 65535 bytes is cut there.
// Tagged value: u16 variant type code, then its data:
//   0 empty (no data), 2 signed 16-bit integer (2 bytes), 5 binary64 (8 bytes).
//
// Line data file "<line>_linea.dat" (only when the plan is built):
//   every x coordinate of track_plan, metres 0..track_extent_m, as tagged
//   values, then every y coordinate in the same order.
//
// Train item file "<line>_<train>.sim": the 87 items, slot 0 first, each
//   offset  size  field          offset  size  field
//      0      1   kind           16+n     2   word_1
//      1      4   start_m        18+n     2   word_2
//      5      4   end_m          20+n     2   word_3
//      9      4   at_m           22+n     2   word_4
//     13      1   flag           24+n     2   word_5
//     14      2   n              26+n     4   byte_1..byte_4 (1 each)
//     16      n   text           30+n     4   seconds
//   so a record takes 34 + n bytes.
//
// Track file "<line>_<train>.dat": cells 0..cell_count, 15 bytes each:
//   cell_type u8, param_1..param_4 i16, signal_time u8, approach_code u8,
//   tunnel_kind u8, speed_limit u8, gradient u8, adhesion u8.
//
// The two records are written and read through their field tables in
// format/record_fields.h, which must follow these layouts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/record_fields.h"
#include "model/scenario_model.h"
#include "platform/byte_sink.h"

namespace compila {

static_assert(track_record_size == 15, "the track cell table no longer gives 15 bytes a cell");
static_assert(item_record_size_without_text == 34, "the item table no longer gives 34 bytes an item besides its text");

using byte_buffer = std::vector<std::uint8_t>;

// Size of the buffer each file is encoded into before it goes to the sink.
inline constexpr std::size_t encoding_buffer_size = std::size_t{64} * 1024;

// Each file encoded through a fixed buffer into `sink` (the line data file
// through one buffer per half, both filled in one walk of the plan), so that
// no file is ever whole in memory; false when the sink refuses a piece.
bool stream_line_data(const scenario_model& model, byte_sink& sink);
bool stream_item_file(const scenario_model& model, byte_sink& sink);
bool stream_track_file(const scenario_model& model, byte_sink& sink);

// Bytes of each half of the line data file, x then y: the y half starts there.
std::uint64_t line_data_half_size(const track_plan& plan);

// The same files whole in memory, for checks.
byte_buffer encode_line_data(const scenario_model& model);
byte_buffer encode_item_file(const scenario_model& model);
byte_buffer encode_track_file(const scenario_model& model);

// Tagged values as a line data file holds them, all of `x` then all of `y`:
// the encoding of plan values that a tool or a check holds already (decoded
// from a file, say) rather than computes from a model.
byte_buffer encode_plan_values(std::span<const plan_value> x, std::span<const plan_value> y);

}  // namespace compila
