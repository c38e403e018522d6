// Reading the three binary files back into the model's records.
//
// The decoders are the inverse of the encoders in binary_writer.h (where the
// byte layouts are described): for every model m,
//   decode_track_file(encode_track_file(m)).records == m.cells           (cells non-empty)
//   decode_item_file(encode_item_file(m)).records   == m.items           (texts up to 65535 bytes)
//   decode_line_data(encode_line_data(m)).records   holds m.track_plan.points(), x half and y half
//   decode_line_data(encode_plan_values(x, y)).records == {x, y}         (x, y non-empty, equal length)
// They take any bytes at all: they only read inside the span they are given,
// never throw on bad data, and allocate no more than the bytes can describe.
// Where the bytes stop being a file of the kind, the result holds an error
// instead of records:
//
//   decode_result<std::vector<track_cell>> cells = decode_track_file(bytes);
//   if (!cells.ok()) report(cells.error->offset, cells.error->message);
//   else for (const track_cell& c : cells.records) ...   // cells[0..cell_count]
//
// `offset` is the byte offset, from the start of the file, of the first byte
// that does not fit: the start of an incomplete cell, the start of an item
// field that the file ends inside, the count of a text that runs past the end,
// the tag of an unknown or incomplete tagged value, the first trailing byte;
// for a wrong number of records as a whole (an odd number of plan values, an
// item file that ends after fewer than 87 items) it is the file size. The
// message says what is wrong in the model's names ("cell 12", "item 85,
// word_3", "value 4" counting the plan's values from 0), without the offset
// or the file name, so that the caller can put both in front of it.
//
// The decoders check the structure only. They do not check the values: a
// track file whose cell 1 lacks the format marker 5121, or a plan whose
// points are not those a build makes, decodes without error (see
// format_marker_problem for the two markers).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scenario_model.h"
#include "platform/byte_sink.h"

namespace compila {

// Where and why a file stops making sense.
struct decode_error {
  std::size_t offset = 0;  // byte offset from the start of the file
  std::string message;     // e.g. "file ends inside cell 12 (7 of its 15 bytes)"
};

// Either the decoded records (`error` empty) or an error (`records` left at
// its default: empty vectors, 87 cleared items).
template <typename records_type>
struct [[nodiscard]] decode_result {
  records_type records{};
  std::optional<decode_error> error;

  bool ok() const { return !error.has_value(); }
};

// The plan as the line data file holds it: [0] the x and [1] the y of every
// point (metre) 0, 1, 2, ..., as track_plan::points() gives them.
using plan_points = std::array<std::vector<plan_value>, 2>;

// Track file "<line>_<train>.dat": cells 0 to cell_count, 15 bytes each. An
// empty file or a size that is not a multiple of 15 is an error.
decode_result<std::vector<track_cell>> decode_track_file(std::span<const std::uint8_t> bytes);

// Train item file "<line>_<train>.sim": exactly 87 items with their texts
// (bytes of the 8-bit code page, kept as they are in `item::text`). Fewer
// items, a text count past the end or bytes after item 86 are errors.
decode_result<std::array<item, item_slots>> decode_item_file(std::span<const std::uint8_t> bytes);

// Line data file "<line>_linea.dat": the tagged values (tag 0 empty, 2 a
// signed 16-bit integer, 5 a binary64), the x half then the y half. An empty
// file, an unknown tag, a value cut by the end of the file and an odd number
// of values are errors.
decode_result<plan_points> decode_line_data(std::span<const std::uint8_t> bytes);

// Receives the points of a line data file one at a time.
class plan_point_sink {
 public:
  virtual ~plan_point_sink() = default;
  // How many points follow, before the first.
  virtual void point_count(std::size_t count) = 0;
  // Point `metre`, in metre order from 0.
  virtual void point(std::size_t metre, const plan_value& x, const plan_value& y) = 0;
};

// The line data file read from `in` (opened in binary mode) a block at a
// time: the same checks and errors as decode_line_data, then every point
// handed to `sink`, without holding the file or its values (the largest
// route's file is 20 MB). Nothing reaches `sink` when the file is damaged;
// a stream that cannot be read gives the error "cannot read the file".
std::optional<decode_error> stream_line_data(std::istream& in, plan_point_sink& sink);

// The line data file decoded while it is written: the sink handed to
// stream_line_data(model, sink) of binary_writer.h, which writes the x half
// from byte 0 and the y half from byte `y_start`, each in order and in
// pieces. Each point goes to `sink` as soon as both its values are in, so the
// file is never whole in memory. A piece that continues neither half is
// refused (take gives false); finish() then checks that the x half ends where
// the y half starts and that each holds `points` whole values and nothing
// more, so that the points are those decode_line_data finds in the file, and
// gives the first problem at its byte offset in the file. Unlike the readers
// above, points may have reached `sink` before a problem shows: the caller
// drops them then.
class line_data_decoder final : public byte_sink {
 public:
  line_data_decoder(std::size_t points, std::uint64_t y_start, plan_point_sink& sink);
  bool take(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  [[nodiscard]] std::optional<decode_error> finish();

 private:
  struct half {
    std::uint64_t start = 0;            // file offset of the half's first byte
    std::uint64_t end = 0;              // file offset after the last byte taken
    std::vector<std::uint8_t> pending;  // bytes taken but not yet paired
    std::size_t used = 0;               // of `pending`, already paired
    std::uint64_t offset_of_unused() const { return end - (pending.size() - used); }
  };
  half* half_for(std::uint64_t offset, std::size_t size);
  bool next_value(half& h, plan_value& value, std::size_t& size);
  void pair_values();

  std::size_t points_;
  plan_point_sink& sink_;
  half x_, y_;
  std::size_t paired_ = 0;
  std::optional<decode_error> problem_;
};

// The three kinds of binary file.
enum class binary_file_kind { track, items, plan };

// The kind told from a file name (a path is allowed; only its last
// component counts, endings compared without regard to case):
// "..._linea.dat" is the line data file, "....sim" the item file and any
// other "....dat" the track file. Empty for any other name. A train numbered
// "linea" would make its track file look like a line data file; a caller
// lets the user say the kind in that case.
std::optional<binary_file_kind> binary_file_kind_from_name(std::string_view file_name);

// The words "track", "items" and "plan", both ways.
std::string_view binary_file_kind_word(binary_file_kind kind);
std::optional<binary_file_kind> binary_file_kind_from_word(std::string_view word);

// The format markers that every build stamps: param_1 of cell 1 is 5121 and
// word_1 of item 85 is 610. Returns a message like "cell 1 param_1 is 0, not
// the format marker 5121" with the marker's byte offset when it is missing
// (a track file of a single cell lacks cell 1 altogether), else nothing.
std::optional<decode_error> format_marker_problem(std::span<const track_cell> cells);
std::optional<decode_error> format_marker_problem(const std::array<item, item_slots>& items);

}  // namespace compila
