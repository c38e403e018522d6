#include "model/binary_files.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <limits>

namespace compila {
namespace {

// Appends little-endian values to a byte buffer, whatever the host order.
class le_writer {
 public:
  explicit le_writer(byte_buffer& out) : out_(out) {}

  void u8(std::uint8_t value) { out_.push_back(value); }
  void u16(std::uint16_t value) { put(value, 2); }
  void i16(std::int16_t value) { put(static_cast<std::uint16_t>(value), 2); }
  void i32(std::int32_t value) { put(static_cast<std::uint32_t>(value), 4); }
  void f64(double value) { put(std::bit_cast<std::uint64_t>(value), 8); }

  // The readers hold texts to 65535 bytes; a longer one (a line name, say)
  // is cut there, so that the count always matches the bytes that follow.
  void text(const std::string& value) {
    const std::size_t size = std::min<std::size_t>(value.size(), std::numeric_limits<std::uint16_t>::max());
    u16(static_cast<std::uint16_t>(size));
    out_.insert(out_.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(size));
  }

  void tagged(const plan_value& value) {
    if (const auto* integer = std::get_if<std::int16_t>(&value)) {
      u16(2);
      i16(*integer);
    } else if (const auto* real = std::get_if<double>(&value)) {
      u16(5);
      f64(*real);
    } else {
      u16(0);
    }
  }

 private:
  void put(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }

  byte_buffer& out_;
};

std::size_t tagged_size(const plan_value& value) {
  if (std::holds_alternative<std::int16_t>(value)) return 4;
  if (std::holds_alternative<double>(value)) return 10;
  return 2;
}

}  // namespace

byte_buffer encode_line_data(const scenario_model& model) {
  std::size_t size = 0;
  for (const auto& coordinate : model.track_plan)
    for (const plan_value& value : coordinate) size += tagged_size(value);
  byte_buffer out;
  out.reserve(size);
  le_writer w(out);
  for (const auto& coordinate : model.track_plan)
    for (const plan_value& value : coordinate) w.tagged(value);
  return out;
}

byte_buffer encode_item_file(const scenario_model& model) {
  byte_buffer out;
  le_writer w(out);
  for (const item& it : model.items) {
    w.u8(it.kind);
    w.i32(it.start_m);
    w.i32(it.end_m);
    w.i32(it.at_m);
    w.u8(it.flag);
    w.text(it.text);
    w.i16(it.word_1);
    w.i16(it.word_2);
    w.i16(it.word_3);
    w.i16(it.word_4);
    w.i16(it.word_5);
    w.u8(it.byte_1);
    w.u8(it.byte_2);
    w.u8(it.byte_3);
    w.u8(it.byte_4);
    w.i32(it.seconds);
  }
  return out;
}

byte_buffer encode_track_file(const scenario_model& model) {
  byte_buffer out;
  out.reserve(model.cells.size() * track_record_size);
  le_writer w(out);
  for (const track_cell& cell : model.cells) {
    w.u8(cell.cell_type);
    w.i16(cell.param_1);
    w.i16(cell.param_2);
    w.i16(cell.param_3);
    w.i16(cell.param_4);
    w.u8(cell.signal_time);
    w.u8(cell.approach_code);
    w.u8(cell.tunnel_kind);
    w.u8(cell.speed_limit);
    w.u8(cell.gradient);
    w.u8(cell.adhesion);
  }
  return out;
}

}  // namespace compila
