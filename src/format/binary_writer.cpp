#include "format/binary_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "format/little_endian.h"

namespace compila {
namespace {

// Fills a fixed buffer with little-endian values, whatever the host order,
// and hands it to the sink, for the file from `offset` on, whenever the next
// value would not fit. After a refusal the bytes are dropped and finish()
// reports it.
class le_stream {
 public:
  explicit le_stream(byte_sink& sink, std::uint64_t offset = 0) : sink_(sink), offset_(offset) {}
  le_stream(const le_stream&) = delete;
  le_stream& operator=(const le_stream&) = delete;

  template <little_endian::number Number>
  void number(Number value) {
    room(sizeof value);
    store(value);
  }

  // The readers hold texts to 65535 bytes; a longer one (a line name, say)
  // is cut there, so that the count always matches the bytes that follow.
  void text(const std::string& value) {
    const std::size_t size = std::min<std::size_t>(value.size(), std::numeric_limits<text_count>::max());
    number(static_cast<text_count>(size));
    for (std::size_t done = 0; done < size;) {
      if (used_ == buffer_.size()) flush();
      const std::size_t piece = std::min(size - done, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, value.data() + done, piece);
      used_ += piece;
      done += piece;
    }
  }

  // Tagged values: the variant type code, then the value.
  void empty_value() { number(std::uint16_t{0}); }
  void integer_value(std::int16_t value) {
    room(4);
    store(std::uint16_t{2});
    store(value);
  }
  void double_value(double value) {
    room(10);
    store(std::uint16_t{5});
    store(value);
  }

  // One field of a record, as the field table gives it.
  void field(const std::string& value) { text(value); }
  template <little_endian::number Number>
  void field(Number value) {
    number(value);
  }

  // Hands over what is left; false when the sink refused any piece.
  bool finish() {
    flush();
    return ok_;
  }

 private:
  void room(std::size_t size) {
    if (buffer_.size() - used_ < size) flush();
  }

  template <little_endian::number Number>
  void store(Number value) {
    little_endian::store(buffer_.data() + used_, value);
    used_ += sizeof value;
  }

  void flush() {
    if (used_ > 0 && ok_) ok_ = sink_.take(offset_, std::span(buffer_.data(), used_));
    offset_ += used_;
    used_ = 0;
  }

  byte_sink& sink_;
  std::uint64_t offset_;
  std::array<std::uint8_t, encoding_buffer_size> buffer_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

// Collects a whole file in memory.
class buffer_sink final : public byte_sink {
 public:
  bool take(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    if (bytes_.size() < offset + bytes.size()) bytes_.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
  }
  byte_buffer bytes_;
};

// Every field of `record` in file order, as its table gives them.
template <typename Record, typename Fields>
void put_record(le_stream& out, const Record& record, const Fields& fields) {
  for_each_field(fields, [&](const auto& field) { out.field(record.*field.member); });
}

template <typename Stream>
byte_buffer whole(const scenario_model& model, Stream stream) {
  buffer_sink sink;
  stream(model, sink);
  return std::move(sink.bytes_);
}

}  // namespace

// Every x coordinate, metre 0 first, then every y: the points are computed
// once, each coordinate going to its own half of the file.
bool stream_line_data(const scenario_model& model, byte_sink& sink) {
  const track_plan& plan = model.track_plan;
  le_stream x_half(sink, 0);
  le_stream y_half(sink, line_data_half_size(plan));
  if (plan.next_point() >= 2) {
    x_half.integer_value(0);
    x_half.integer_value(0);
    y_half.integer_value(0);
    y_half.integer_value(1);
  }
  plan.for_each_computed_point([&](double x, double y) {
    x_half.double_value(x);
    y_half.double_value(y);
  });
  for (std::int32_t m = std::max(plan.next_point(), 0); m < plan.point_count(); ++m) {
    x_half.empty_value();
    y_half.empty_value();
  }
  const bool x_written = x_half.finish();
  return y_half.finish() && x_written;
}

bool stream_item_file(const scenario_model& model, byte_sink& sink) {
  le_stream out(sink);
  for (const item& it : model.items) put_record(out, it, item_fields);
  return out.finish();
}

bool stream_track_file(const scenario_model& model, byte_sink& sink) {
  le_stream out(sink);
  for (const track_cell& cell : model.cells) put_record(out, cell, track_cell_fields);
  return out.finish();
}

// Bytes of one half of the line data file: the origin's two integers, the
// computed doubles, then the empty points.
std::uint64_t line_data_half_size(const track_plan& plan) {
  if (plan.next_point() < 2) return 2u * static_cast<std::uint64_t>(plan.point_count());
  const auto computed = static_cast<std::uint64_t>(plan.next_point() - 2);
  return std::uint64_t{2} * 4 + 10 * computed + 2 * static_cast<std::uint64_t>(plan.point_count() - plan.next_point());
}

byte_buffer encode_plan_values(std::span<const plan_value> x, std::span<const plan_value> y) {
  buffer_sink sink;
  le_stream out(sink);
  for (const std::span<const plan_value> half : {x, y}) {
    for (const plan_value& value : half) {
      if (const auto* integer = std::get_if<std::int16_t>(&value)) out.integer_value(*integer);
      else if (const auto* real = std::get_if<double>(&value)) out.double_value(*real);
      else out.empty_value();
    }
  }
  out.finish();
  return std::move(sink.bytes_);
}

byte_buffer encode_line_data(const scenario_model& model) { return whole(model, stream_line_data); }
byte_buffer encode_item_file(const scenario_model& model) { return whole(model, stream_item_file); }
byte_buffer encode_track_file(const scenario_model& model) { return whole(model, stream_track_file); }

}  // namespace compila
