#include "format/binary_reader.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <string_view>
#include <type_traits>
#include <variant>

#include "format/binary_writer.h"
#include "format/little_endian.h"
#include "format/record_fields.h"

namespace compila {
namespace {

// Reads little-endian values from a span, whatever the host order. Every read
// first asks `has`, so nothing outside the span is ever touched.
class le_reader {
 public:
  explicit le_reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t offset() const { return offset_; }
  std::size_t left() const { return bytes_.size() - offset_; }
  bool has(std::size_t count) const { return count <= left(); }

  template <little_endian::number Number>
  Number number() {
    const auto value = little_endian::load<Number>(bytes_.data() + offset_);
    offset_ += sizeof value;
    return value;
  }
  void skip(std::size_t count) { offset_ += count; }
  std::string text(std::size_t count) {
    std::string value(reinterpret_cast<const char*>(bytes_.data() + offset_), count);
    offset_ += count;
    return value;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
};

template <typename records_type>
decode_result<records_type> failure(std::size_t offset, std::string message) {
  decode_result<records_type> result;
  result.error = decode_error{offset, std::move(message)};
  return result;
}

track_cell read_cell(le_reader& in) {
  track_cell cell;
  for_each_field(track_cell_fields, [&](const auto& field) {
    using value_type = typename std::remove_cvref_t<decltype(field)>::value_type;
    cell.*field.member = in.number<value_type>();
  });
  return cell;
}

// Reads one item field after another, and on the first one that the file
// ends inside remembers where and which.
class item_reader {
 public:
  item_reader(le_reader& in, int slot) : in_(in), slot_(slot) {}

  template <little_endian::number Number>
  void field(Number& value, std::string_view name) {
    if (!fits(sizeof value, name)) return;
    value = in_.number<Number>();
  }

  void field(std::string& value, std::string_view name) {
    if (!fits(sizeof(text_count), name, " byte count")) return;
    const std::size_t count_offset = in_.offset();
    const std::size_t count = in_.number<text_count>();
    if (!in_.has(count)) {
      fail(count_offset, "item " + std::to_string(slot_) + " " + std::string(name) + " of " + std::to_string(count) +
                             " bytes runs past the end of the file (" + std::to_string(in_.left()) + " bytes left)");
      return;
    }
    value = in_.text(count);
  }

  const std::optional<decode_error>& error() const { return error_; }

 private:
  // `part` names a part of the field: the byte count of a text.
  bool fits(std::size_t size, std::string_view name, std::string_view part = "") {
    if (error_) return false;
    if (in_.has(size)) return true;
    fail(in_.offset(), "file ends inside item " + std::to_string(slot_) + ", " + std::string(name) + std::string(part) +
                           " (" + std::to_string(in_.left()) + " of its " + std::to_string(size) + " bytes)");
    return false;
  }

  void fail(std::size_t offset, std::string message) { error_ = decode_error{offset, std::move(message)}; }

  le_reader& in_;
  int slot_;
  std::optional<decode_error> error_;
};

std::optional<decode_error> read_item(le_reader& in, int slot, item& it) {
  item_reader r(in, slot);
  for_each_field(item_fields, [&](const auto& field) { r.field(it.*field.member, field.name); });
  return r.error();
}

// Size of the data after a known tag, or nothing for an unknown one.
std::optional<std::size_t> tagged_data_size(std::uint16_t tag) {
  switch (tag) {
    case 0: return 0;
    case 2: return 2;
    case 5: return 8;
    default: return std::nullopt;
  }
}

// "value 7": which value of the file, counted from 0; the half it belongs to
// is unknown until the whole file has been counted.
std::string value_name(std::size_t index) { return "value " + std::to_string(index); }

bool ends_with_ignoring_case(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                    });
}

}  // namespace

decode_result<std::vector<track_cell>> decode_track_file(std::span<const std::uint8_t> bytes) {
  using result = std::vector<track_cell>;
  if (bytes.empty()) return failure<result>(0, "empty file: a track file holds at least cell 0");
  const std::size_t whole = bytes.size() / track_record_size;
  if (const std::size_t rest = bytes.size() % track_record_size; rest != 0)
    return failure<result>(whole * track_record_size, "file ends inside cell " + std::to_string(whole) + " (" +
                                                          std::to_string(rest) + " of its " +
                                                          std::to_string(track_record_size) + " bytes)");
  decode_result<result> decoded;
  decoded.records.reserve(whole);
  le_reader in(bytes);
  for (std::size_t i = 0; i < whole; ++i) decoded.records.push_back(read_cell(in));
  return decoded;
}

decode_result<std::array<item, item_slots>> decode_item_file(std::span<const std::uint8_t> bytes) {
  using result = std::array<item, item_slots>;
  decode_result<result> decoded;
  le_reader in(bytes);
  for (int slot = 0; slot < item_slots; ++slot) {
    if (in.left() == 0 && slot == 0) return failure<result>(0, "empty file: an item file holds 87 items");
    if (in.left() == 0)
      return failure<result>(in.offset(), "file ends after item " + std::to_string(slot - 1) + ": an item file holds " +
                                              std::to_string(item_slots) + " items");
    if (std::optional<decode_error> error = read_item(in, slot, decoded.records[slot]))
      return failure<result>(error->offset, std::move(error->message));
  }
  if (in.left() != 0)
    return failure<result>(in.offset(), std::to_string(in.left()) + " bytes after item " +
                                            std::to_string(item_slots - 1) + ", the last of the file");
  return decoded;
}

namespace {

// Reads a file from a stream through a buffer of its own, so that the whole
// file is never held. Several cursors may share one stream: each one seeks
// to its own place before it refills. Offers what le_reader offers; a failed
// read makes `has` false from there on and sets `failed`.
class stream_reader {
 public:
  stream_reader(std::istream& in, std::size_t size, std::size_t offset) : in_(in), size_(size), offset_(offset) {}

  std::size_t offset() const { return offset_; }
  std::size_t left() const { return size_ - offset_; }
  bool failed() const { return failed_; }
  bool has(std::size_t count) {
    if (count > left() || failed_) return false;
    if (offset_ + count > buffer_start_ + buffer_.size() || offset_ < buffer_start_) refill();
    return !failed_;
  }

  template <little_endian::number Number>
  Number number() {  // after has(sizeof(Number))
    const auto value = little_endian::load<Number>(buffer_.data() + (offset_ - buffer_start_));
    offset_ += sizeof value;
    return value;
  }
  void skip(std::size_t count) { offset_ += count; }

 private:
  static constexpr std::size_t block = std::size_t{64} * 1024;

  void refill() {
    buffer_.resize(std::min(block, left()));
    buffer_start_ = offset_;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset_));
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(buffer_.size()));
    failed_ = !in_ || in_.gcount() != static_cast<std::streamsize>(buffer_.size());
  }

  std::istream& in_;
  std::size_t size_;
  std::size_t offset_;
  std::size_t buffer_start_ = 0;
  std::vector<std::uint8_t> buffer_;
  bool failed_ = false;
};

// Walks the tagged values once, checking each, and returns how many there
// are or where the first bad one starts.
template <typename reader>
std::variant<std::size_t, decode_error> count_tagged_values(reader& in) {
  std::size_t count = 0;
  while (in.left() != 0) {
    const std::size_t start = in.offset();
    if (!in.has(2)) {
      if (in.left() >= 2) return decode_error{start, "cannot read the file"};
      return decode_error{start, "file ends inside the tag of " + value_name(count) + " (1 of its 2 bytes)"};
    }
    const auto tag = in.template number<std::uint16_t>();
    const std::optional<std::size_t> data_size = tagged_data_size(tag);
    if (!data_size)
      return decode_error{start, "unknown tag " + std::to_string(tag) + " of " + value_name(count) +
                                     " (0 empty, 2 integer, 5 double)"};
    if (!in.has(*data_size)) {
      if (in.left() >= *data_size) return decode_error{start, "cannot read the file"};
      return decode_error{start, "file ends inside " + value_name(count) + " (tag " + std::to_string(tag) + " needs " +
                                     std::to_string(*data_size) + " bytes of data, " + std::to_string(in.left()) +
                                     " left)"};
    }
    in.skip(*data_size);
    ++count;
  }
  return count;
}

// One value of a file whose values count_tagged_values has checked.
template <typename reader>
plan_value read_tagged(reader& in) {
  if (!in.has(2)) return std::monostate{};
  const auto tag = in.template number<std::uint16_t>();
  const std::size_t data_size = tagged_data_size(tag).value_or(0);
  if (!in.has(data_size)) return std::monostate{};
  switch (tag) {
    case 2: return in.template number<std::int16_t>();
    case 5: return in.template number<double>();
    default: return std::monostate{};
  }
}

std::optional<decode_error> count_problem(const std::variant<std::size_t, decode_error>& counted,
                                          std::size_t file_size) {
  if (const auto* error = std::get_if<decode_error>(&counted)) return *error;
  const std::size_t count = std::get<std::size_t>(counted);
  if (count % 2 != 0)
    return decode_error{file_size,
                        "odd number of values (" + std::to_string(count) + "): the x and y halves cannot match"};
  return std::nullopt;
}

}  // namespace

decode_result<plan_points> decode_line_data(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return failure<plan_points>(0, "empty file: a line data file holds at least one point");
  le_reader walk(bytes);
  const auto counted = count_tagged_values(walk);
  if (std::optional<decode_error> problem = count_problem(counted, bytes.size()))
    return failure<plan_points>(problem->offset, std::move(problem->message));
  const std::size_t count = std::get<std::size_t>(counted);
  decode_result<plan_points> decoded;
  le_reader in(bytes);
  for (std::vector<plan_value>& half : decoded.records) {
    half.reserve(count / 2);
    for (std::size_t i = 0; i < count / 2; ++i) half.push_back(read_tagged(in));
  }
  return decoded;
}

std::optional<decode_error> stream_line_data(std::istream& in, plan_point_sink& sink) {
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (!in || end < 0) return decode_error{0, "cannot read the file"};
  const auto size = static_cast<std::size_t>(end);
  if (size == 0) return decode_error{0, "empty file: a line data file holds at least one point"};
  stream_reader walk(in, size, 0);
  const auto counted = count_tagged_values(walk);
  if (std::optional<decode_error> problem = count_problem(counted, size)) return problem;
  const std::size_t points = std::get<std::size_t>(counted) / 2;
  stream_reader x(in, size, 0), y(in, size, 0);
  for (std::size_t i = 0; i < points; ++i) (void)read_tagged(y);
  sink.point_count(points);
  for (std::size_t m = 0; m < points; ++m) {
    const plan_value vx = read_tagged(x), vy = read_tagged(y);
    if (x.failed() || y.failed()) return decode_error{std::max(x.offset(), y.offset()), "cannot read the file"};
    sink.point(m, vx, vy);
  }
  return std::nullopt;
}

line_data_decoder::line_data_decoder(std::size_t points, std::uint64_t y_start, plan_point_sink& sink)
    : points_(points), sink_(sink) {
  y_.start = y_.end = y_start;
  sink_.point_count(points_);
}

line_data_decoder::half* line_data_decoder::half_for(std::uint64_t offset, std::size_t size) {
  if (offset == x_.end && offset + size <= y_.start) return &x_;
  if (offset == y_.end) return &y_;
  return nullptr;
}

bool line_data_decoder::take(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (problem_) return false;
  if (bytes.empty()) return true;
  half* h = half_for(offset, bytes.size());
  if (h == nullptr) {
    problem_ = decode_error{static_cast<std::size_t>(offset), "a piece of " + std::to_string(bytes.size()) +
                                                                  " bytes here continues neither half of the file"};
    return false;
  }
  h->pending.insert(h->pending.end(), bytes.begin(), bytes.end());
  h->end += bytes.size();
  pair_values();
  return !problem_;
}

// The whole value at the front of the half's unpaired bytes; false when its
// bytes are not all in yet or its tag is unknown (then `problem_` says so).
bool line_data_decoder::next_value(half& h, plan_value& value, std::size_t& size) {
  const std::span<const std::uint8_t> left = std::span<const std::uint8_t>(h.pending).subspan(h.used);
  if (left.size() < 2) return false;
  const auto tag = little_endian::load<std::uint16_t>(left.data());
  const std::optional<std::size_t> data_size = tagged_data_size(tag);
  if (!data_size) {
    problem_ = decode_error{static_cast<std::size_t>(h.offset_of_unused()),
                            "unknown tag " + std::to_string(tag) + " of the " + (&h == &x_ ? "x" : "y") +
                                " value of point " + std::to_string(paired_) + " (0 empty, 2 integer, 5 double)"};
    return false;
  }
  size = 2 + *data_size;
  if (left.size() < size) return false;
  if (tag == 2) value = little_endian::load<std::int16_t>(left.data() + 2);
  else if (tag == 5) value = little_endian::load<double>(left.data() + 2);
  else value = std::monostate{};
  return true;
}

void line_data_decoder::pair_values() {
  plan_value x, y;
  std::size_t x_size = 0, y_size = 0;
  while (!problem_ && next_value(x_, x, x_size) && next_value(y_, y, y_size)) {
    if (paired_ == points_) {
      problem_ = decode_error{static_cast<std::size_t>(x_.offset_of_unused()),
                              "more than the " + std::to_string(points_) + " points expected"};
      return;
    }
    sink_.point(paired_++, x, y);
    x_.used += x_size;
    y_.used += y_size;
  }
  for (half* h : {&x_, &y_}) {
    h->pending.erase(h->pending.begin(), h->pending.begin() + static_cast<std::ptrdiff_t>(h->used));
    h->used = 0;
  }
}

std::optional<decode_error> line_data_decoder::finish() {
  if (problem_) return problem_;
  if (y_.end == 0) return decode_error{0, "empty file: a line data file holds at least one point"};
  if (x_.end != y_.start)
    return decode_error{static_cast<std::size_t>(x_.end),
                        "the x half ends here but the y half starts at byte " + std::to_string(y_.start)};
  // The end of the file first: a value cut there, or values left over in either half.
  for (half* h : {&y_, &x_}) {
    if (h->pending.empty()) continue;
    plan_value value;
    std::size_t size = 0;
    const bool whole = next_value(*h, value, size);
    if (problem_) return problem_;
    return decode_error{static_cast<std::size_t>(h->offset_of_unused()),
                        std::string("the ") + (h == &x_ ? "x" : "y") +
                            (whole ? " half holds more values than the other, from point "
                                   : " half ends inside the value of point ") +
                            std::to_string(paired_)};
  }
  if (paired_ != points_)
    return decode_error{static_cast<std::size_t>(y_.end),
                        std::to_string(paired_) + " points, not the " + std::to_string(points_) + " expected"};
  return std::nullopt;
}

std::optional<binary_file_kind> binary_file_kind_from_name(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of("/\\");
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  if (ends_with_ignoring_case(file_name, "_linea.dat")) return binary_file_kind::plan;
  if (ends_with_ignoring_case(file_name, ".sim")) return binary_file_kind::items;
  if (ends_with_ignoring_case(file_name, ".dat")) return binary_file_kind::track;
  return std::nullopt;
}

std::string_view binary_file_kind_word(binary_file_kind kind) {
  switch (kind) {
    case binary_file_kind::track: return "track";
    case binary_file_kind::items: return "items";
    case binary_file_kind::plan: return "plan";
  }
  return "track";
}

std::optional<binary_file_kind> binary_file_kind_from_word(std::string_view word) {
  for (binary_file_kind kind : {binary_file_kind::track, binary_file_kind::items, binary_file_kind::plan})
    if (binary_file_kind_word(kind) == word) return kind;
  return std::nullopt;
}

std::optional<decode_error> format_marker_problem(std::span<const track_cell> cells) {
  constexpr std::size_t marker_offset = track_record_size + fixed_field_offset(track_cell_fields, "param_1");
  if (cells.size() < 2)
    return decode_error{track_record_size * cells.size(),
                        "no cell 1, which carries the format marker " + std::to_string(track_format_marker)};
  if (cells[1].param_1 == track_format_marker) return std::nullopt;
  return decode_error{marker_offset, "cell 1 param_1 is " + std::to_string(cells[1].param_1) +
                                         ", not the format marker " + std::to_string(track_format_marker)};
}

std::optional<decode_error> format_marker_problem(const std::array<item, item_slots>& items) {
  constexpr int marker_slot = 85;
  const item& marked = items[marker_slot];
  if (marked.word_1 == item_format_marker) return std::nullopt;
  std::size_t offset = 0;
  for (int slot = 0; slot < marker_slot; ++slot) offset += item_record_size_without_text + items[slot].text.size();
  offset += fixed_field_offset(item_fields, "word_1") + marked.text.size();  // word_1 follows the text
  return decode_error{offset, "item 85 word_1 is " + std::to_string(marked.word_1) + ", not the format marker " +
                                  std::to_string(item_format_marker)};
}

}  // namespace compila
