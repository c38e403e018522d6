// The decoders of the three binary files: the files of real builds read back
// into the model that wrote them, and damaged files refused at the offset
// where they stop making sense.
#include "format/binary_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <sstream>
#include <string_view>
#include <type_traits>

#include "driver/build_pipeline.h"
#include "format/binary_writer.h"
#include "format/record_fields.h"
#include "large_scenario.h"
#include "model/file_names.h"
#include "test_support.h"

namespace compila::testing {
namespace {

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The decoded halves hold exactly the model's plan, point by point.
bool same_plan(const plan_points& decoded, const track_plan& plan) {
  const std::vector<plan_point> points = plan.points();
  if (decoded[0].size() != points.size() || decoded[1].size() != points.size()) return false;
  for (std::size_t m = 0; m < points.size(); ++m)
    if (!(decoded[0][m] == points[m].x && decoded[1][m] == points[m].y)) return false;
  return true;
}

// Every point handed over by stream_line_data, as the two halves of the file.
struct collected_points : plan_point_sink {
  std::size_t announced = 0;
  plan_points halves;
  bool in_order = true;
  void point_count(std::size_t count) override { announced = count; }
  void point(std::size_t metre, const plan_value& x, const plan_value& y) override {
    in_order = in_order && metre == halves[0].size();
    halves[0].push_back(x);
    halves[1].push_back(y);
  }
};

collected_points streamed(const std::string& file, std::optional<decode_error>& error) {
  std::istringstream in(file, std::ios::binary);
  collected_points sink;
  error = stream_line_data(in, sink);
  return sink;
}

// Builds a scenario as the program does, writing its files into `dir`.
scenario_model built_model(const std::string& line_text, const std::string& train_text, const scratch_directory& dir) {
  scenario_model model = named_model();
  memory_source_files sources;
  sources.files[line_source_name(model)] = line_text;
  sources.files[train_source_name(model)] = train_text;
  const build_outcome outcome = build_from_sources(model, true, sources, dir.path.string());
  EXPECT_EQ(outcome.end, build_outcome::kind::written) << outcome.message;
  return model;
}

void expect_files_read_back(const scenario_model& model, const scratch_directory& dir) {
  const std::string track = read_file(dir / track_file_name(model));
  const std::string items = read_file(dir / item_file_name(model));
  const std::string plan = read_file(dir / line_data_name(model));

  const auto cells = decode_track_file(bytes_of(track));
  ASSERT_TRUE(cells.ok()) << cells.error->message;
  EXPECT_TRUE(cells.records == model.cells);
  EXPECT_FALSE(format_marker_problem(cells.records));

  const auto slots = decode_item_file(bytes_of(items));
  ASSERT_TRUE(slots.ok()) << slots.error->message;
  EXPECT_TRUE(slots.records == model.items);
  EXPECT_FALSE(format_marker_problem(slots.records));

  const auto points = decode_line_data(bytes_of(plan));
  ASSERT_TRUE(points.ok()) << points.error->message;
  EXPECT_TRUE(same_plan(points.records, model.track_plan));
}

TEST(BinaryReading, TheEmbeddedScenariosFilesReadBackAsItsModel) {
  scratch_directory dir;
  const scenario_model model = built_model(embedded_line_source(), embedded_train_source(), dir);
  ASSERT_EQ(model.cell_count, 1780);
  expect_files_read_back(model, dir);
}

TEST(BinaryReading, TheLargestRoutesFilesReadBackAsItsModel) {
  scratch_directory dir;
  const scenario_model model = built_model(large_scenario::line_source(), large_scenario::train_source(), dir);
  ASSERT_EQ(model.cell_count, 20140);
  expect_files_read_back(model, dir);
}

TEST(BinaryReading, EveryFieldKeepsItsFullRangeAndEveryTextByte) {
  scenario_model model;
  model.cells.resize(3);
  model.cells[1] = {255, -32768, 32767, -1, 1, 255, 254, 253, 252, 251, 250};
  model.items[0] = {255,        -2147483647 - 1,
                    2147483647, -1,
                    255,        std::string("\0\xff\r\n\x7f", 5),
                    -32768,     32767,
                    -1,         0,
                    1,          255,
                    0,          128,
                    1,          -2147483647 - 1};
  model.items[86].text = std::string(65535, 'z');
  const plan_points values{std::vector<plan_value>{std::int16_t{-32768}, -0.0, std::monostate{}, 1e300},
                           std::vector<plan_value>{std::monostate{}, std::int16_t{32767}, 5e-324, -2.5}};

  const byte_buffer track = encode_track_file(model), items = encode_item_file(model),
                    plan = encode_plan_values(values[0], values[1]);
  EXPECT_TRUE(decode_track_file(track).records == model.cells);
  EXPECT_TRUE(decode_item_file(items).records == model.items);
  const auto points = decode_line_data(plan);
  ASSERT_TRUE(points.ok()) << points.error->message;
  EXPECT_TRUE(points.records == values);
  EXPECT_TRUE(std::signbit(std::get<double>(points.records[0][1])));  // -0.0 stays negative
}

// Read a block at a time, through two places in the file at once, the points
// are those decode_line_data gives: the embedded build's plan spans many
// blocks, and the small one holds every kind of value, -0.0 and the extremes.
TEST(BinaryReading, StreamedPlanPointsAreTheDecodedOnes) {
  scratch_directory dir;
  const scenario_model model = built_model(embedded_line_source(), embedded_train_source(), dir);
  const std::vector<plan_value> x{std::int16_t{-32768}, -0.0, std::monostate{}, 1e300},
      y{std::monostate{}, std::int16_t{32767}, 5e-324, -2.5};
  const byte_buffer small = encode_plan_values(x, y);
  for (const std::string& file : {read_file(dir / line_data_name(model)), std::string(small.begin(), small.end())}) {
    const auto decoded = decode_line_data(bytes_of(file));
    ASSERT_TRUE(decoded.ok());
    std::optional<decode_error> error;
    const collected_points sink = streamed(file, error);
    ASSERT_FALSE(error.has_value()) << error->message;
    EXPECT_EQ(sink.announced, decoded.records[0].size());
    EXPECT_TRUE(sink.in_order);
    EXPECT_TRUE(sink.halves == decoded.records);
  }
}

// The x and y halves of `file` handed to a line_data_decoder in pieces of at
// most `piece` bytes, alternating between the halves as the writer does, the
// y half starting at `middle`.
std::optional<decode_error> decoded_in_pieces(std::span<const std::uint8_t> file, std::size_t middle, std::size_t piece,
                                              std::size_t points, collected_points& sink) {
  line_data_decoder decoder(points, middle, sink);
  std::size_t x = 0, y = middle;
  bool taken = true;
  while (taken && (x < middle || y < file.size())) {
    const std::size_t x_size = std::min(piece, middle - x), y_size = std::min(piece, file.size() - y);
    taken = decoder.take(x, file.subspan(x, x_size)) && decoder.take(y, file.subspan(y, y_size));
    x += x_size;
    y += y_size;
  }
  return decoder.finish();
}

// Decoded while it is written, piece by piece, a line data file gives the
// points decode_line_data gives for the whole file, whatever the pieces.
TEST(BinaryReading, PlanPointsDecodedAsTheyAreWrittenAreTheDecodedOnes) {
  scratch_directory dir;
  const scenario_model model = built_model(embedded_line_source(), embedded_train_source(), dir);
  const byte_buffer built = encode_line_data(model);
  const auto whole = decode_line_data(built);
  ASSERT_TRUE(whole.ok());
  collected_points written;
  line_data_decoder decoder(whole.records[0].size(), line_data_half_size(model.track_plan), written);
  ASSERT_TRUE(stream_line_data(model, decoder));
  ASSERT_FALSE(decoder.finish().has_value());
  EXPECT_EQ(written.announced, whole.records[0].size());
  EXPECT_TRUE(written.in_order);
  EXPECT_TRUE(written.halves == whole.records);

  // Pieces that cut values anywhere, the halves a different kind of value apart.
  const std::vector<plan_value> x{std::int16_t{-32768}, -0.0, std::monostate{}, 1e300, std::int16_t{7}},
      y{std::monostate{}, std::int16_t{32767}, 5e-324, -2.5, 0.5};
  const byte_buffer small = encode_plan_values(x, y);
  const std::size_t middle = encode_plan_values(x, {}).size();
  for (const std::size_t piece : {1, 2, 3, 5, 11, 64}) {
    collected_points sink;
    const std::optional<decode_error> error = decoded_in_pieces(small, middle, piece, x.size(), sink);
    ASSERT_FALSE(error.has_value()) << "pieces of " << piece << ": " << error->message;
    EXPECT_TRUE(sink.halves == (plan_points{x, y})) << "pieces of " << piece;
  }
}

// Bytes that are not a line data file as the writer makes it are refused at
// the byte where they stop making sense.
TEST(BinaryReading, PlanPiecesThatDoNotMakeAFileAreRefusedWhereTheyGoWrong) {
  const std::vector<plan_value> three{0.5, 1.5, 2.5};
  const byte_buffer file = encode_plan_values(three, three);  // halves of 30 bytes
  struct case_ {
    const char* name;
    std::size_t points;
    std::function<void(byte_buffer&)> damage;
    std::size_t middle;
    std::size_t offset;
    const char* message;
  };
  const std::vector<case_> cases{
      {"the expected count", 3, [](byte_buffer&) {}, 30, 0, nullptr},
      {"fewer points than expected", 4, [](byte_buffer&) {}, 30, 60, "3 points, not the 4 expected"},
      {"more points than expected", 2, [](byte_buffer&) {}, 30, 20, "more than the 2 points expected"},
      {"an unknown tag", 3, [](byte_buffer& b) { b[40] = 9; }, 30, 40, "unknown tag 9 of the y value of point 1"},
      {"a file cut inside a value", 3, [](byte_buffer& b) { b.pop_back(); }, 30, 50,
       "the y half ends inside the value of point 2"},
      {"an x half longer than the y half", 4,
       [](byte_buffer& b) {
         b.insert(b.begin() + 30, {0, 0});
       },
       32, 30, "the x half holds more values than the other, from point 3"},
  };
  for (const case_& c : cases) {
    byte_buffer bytes = file;
    c.damage(bytes);
    for (const std::size_t piece : {4, 64}) {
      collected_points sink;
      const std::optional<decode_error> error = decoded_in_pieces(bytes, c.middle, piece, c.points, sink);
      if (c.message == nullptr) {
        EXPECT_FALSE(error.has_value()) << c.name << ": " << error->message;
        continue;
      }
      ASSERT_TRUE(error.has_value()) << c.name;
      EXPECT_EQ(error->offset, c.offset) << c.name << ", pieces of " << piece;
      EXPECT_NE(error->message.find(c.message), std::string::npos) << c.name << ": " << error->message;
    }
  }

  // A gap between the halves, a piece that continues neither half, an empty file.
  collected_points sink;
  byte_buffer gap = file;
  gap.insert(gap.begin() + 30, 0);
  line_data_decoder apart(3, 31, sink);
  EXPECT_TRUE(apart.take(0, std::span(gap).first(30)));
  EXPECT_TRUE(apart.take(31, std::span(gap).subspan(31)));
  const std::optional<decode_error> gap_error = apart.finish();
  ASSERT_TRUE(gap_error.has_value());
  EXPECT_EQ(gap_error->offset, 30u);
  EXPECT_EQ(gap_error->message, "the x half ends here but the y half starts at byte 31");

  line_data_decoder decoder(3, 30, sink);
  EXPECT_TRUE(decoder.take(0, std::span(file).first(10)));
  EXPECT_TRUE(decoder.take(30, std::span(file).subspan(30, 10)));
  EXPECT_FALSE(decoder.take(20, std::span(file).subspan(20, 10)));
  EXPECT_EQ(decoder.finish()->offset, 20u);
  line_data_decoder empty(0, 0, sink);
  EXPECT_NE(empty.finish()->message.find("empty file"), std::string::npos);
}

// A stream buffer that gives the first `limit` bytes of its text and then
// fails, as a disk that stops answering.
class failing_buffer : public std::stringbuf {
 public:
  failing_buffer(const std::string& text, std::size_t limit) : std::stringbuf(text, std::ios::in), limit_(limit) {}

 protected:
  std::streamsize xsgetn(char* into, std::streamsize count) override {
    const auto at = static_cast<std::size_t>(seekoff(0, std::ios::cur, std::ios::in));
    if (at >= limit_) return 0;
    return std::stringbuf::xsgetn(into, std::min<std::streamsize>(count, static_cast<std::streamsize>(limit_ - at)));
  }
  int_type underflow() override {
    const auto at = static_cast<std::size_t>(seekoff(0, std::ios::cur, std::ios::in));
    return at >= limit_ ? traits_type::eof() : std::stringbuf::underflow();
  }

 private:
  std::size_t limit_;
};

TEST(BinaryReading, AStreamThatStopsGivingBytesIsAReadFailureNotADamagedFile) {
  scratch_directory dir;
  const scenario_model model = built_model(embedded_line_source(), embedded_train_source(), dir);
  const std::string file = read_file(dir / line_data_name(model));
  for (const std::size_t limit : {std::size_t{0}, std::size_t{70'000}, file.size() - 1}) {
    failing_buffer buffer(file, limit);
    std::istream in(&buffer);
    collected_points sink;
    const std::optional<decode_error> error = stream_line_data(in, sink);
    ASSERT_TRUE(error.has_value()) << limit;
    EXPECT_EQ(error->message, "cannot read the file") << limit;
    EXPECT_TRUE(sink.halves[0].empty()) << limit;
  }
}

// The record layouts as binary_writer.h describes them, written out here
// apart from the tables: each field's name, offset and size in a record whose
// texts are empty (a text's size is that of its count).
struct documented_field {
  std::string_view name;
  std::size_t offset;
  std::size_t size;
};

constexpr documented_field documented_cell[] = {
    {"cell_type", 0, 1},    {"param_1", 1, 2},     {"param_2", 3, 2},        {"param_3", 5, 2},
    {"param_4", 7, 2},      {"signal_time", 9, 1}, {"approach_code", 10, 1}, {"tunnel_kind", 11, 1},
    {"speed_limit", 12, 1}, {"gradient", 13, 1},   {"adhesion", 14, 1},
};

constexpr documented_field documented_item[] = {
    {"kind", 0, 1},    {"start_m", 1, 4}, {"end_m", 5, 4},   {"at_m", 9, 4},     {"flag", 13, 1},   {"text", 14, 2},
    {"word_1", 16, 2}, {"word_2", 18, 2}, {"word_3", 20, 2}, {"word_4", 22, 2},  {"word_5", 24, 2}, {"byte_1", 26, 1},
    {"byte_2", 27, 1}, {"byte_3", 28, 1}, {"byte_4", 29, 1}, {"seconds", 30, 4},
};

// A value whose every byte in the file is nonzero: all bits set, or a text
// of 257 bytes, whose count is 0x0101.
template <typename Value>
Value nonzero_value() {
  if constexpr (std::is_same_v<Value, std::string>) return std::string(257, 'x');
  else return static_cast<Value>(-1);
}

std::size_t text_bytes(const std::string& text) { return text.size(); }
template <typename Value>
std::size_t text_bytes(const Value&) {
  return 0;
}

// Sets one field at a time through `fields` and checks that the encoded file
// is nonzero exactly at the documented bytes of that field, and that the
// record decodes back whole: the table holds every field of the layout, in
// order, under its name and at its width. Which member each field reads is
// pinned by the byte tests of binary_writer_test.cpp.
template <typename Record, typename Fields, typename Encode, typename Decode>
void expect_documented_layout(const Fields& fields, std::span<const documented_field> documented, Encode encode,
                              Decode decode) {
  std::size_t index = 0;
  for_each_field(fields, [&](const auto& field) {
    if (index == documented.size()) {
      ADD_FAILURE() << field.name << " is not in the documented layout";
      return;
    }
    const documented_field& expected = documented[index++];
    EXPECT_EQ(field.name, expected.name);
    Record record{};
    using value_type = typename std::remove_cvref_t<decltype(field)>::value_type;
    record.*field.member = nonzero_value<value_type>();
    const byte_buffer bytes = encode(record);
    std::vector<std::size_t> nonzero, wanted;
    for (std::size_t at = 0; at < bytes.size(); ++at)
      if (bytes[at] != 0) nonzero.push_back(at);
    const std::size_t end = expected.offset + expected.size + text_bytes(record.*field.member);
    for (std::size_t at = expected.offset; at < end; ++at) wanted.push_back(at);
    EXPECT_EQ(nonzero, wanted) << expected.name;
    const std::optional<Record> decoded = decode(bytes);
    EXPECT_TRUE(decoded && *decoded == record) << expected.name << " does not decode back";
  });
  EXPECT_EQ(index, documented.size()) << "fields of the documented layout missing from the table";
}

TEST(BinaryRecords, TheCellTableFollowsTheDocumentedLayout) {
  expect_documented_layout<track_cell>(
      track_cell_fields, documented_cell,
      [](const track_cell& cell) {
        scenario_model model;
        model.cells = {cell};
        return encode_track_file(model);
      },
      [](const byte_buffer& bytes) -> std::optional<track_cell> {
        const auto decoded = decode_track_file(bytes);
        if (!decoded.ok() || decoded.records.size() != 1) return std::nullopt;
        return decoded.records[0];
      });
}

TEST(BinaryRecords, TheItemTableFollowsTheDocumentedLayout) {
  expect_documented_layout<item>(
      item_fields, documented_item,
      [](const item& it) {
        scenario_model model;
        model.items[0] = it;
        return encode_item_file(model);
      },
      [](const byte_buffer& bytes) -> std::optional<item> {
        const auto decoded = decode_item_file(bytes);
        if (!decoded.ok()) return std::nullopt;
        return decoded.records[0];
      });
}

// Cut where each field of item 1 begins, the file is refused at that byte
// with the field's name (item 1's kind would be "after item 0" instead).
TEST(BinaryRecords, AnItemFileCutAtAFieldNamesThatField) {
  const byte_buffer empty_items = encode_item_file(scenario_model{});
  for (const documented_field& field : std::span(documented_item).subspan(1)) {
    const std::size_t cut = 34 + field.offset;
    // A buffer of its own, so that the sanitizers see a read past the cut.
    const byte_buffer cut_file(empty_items.begin(), empty_items.begin() + static_cast<std::ptrdiff_t>(cut));
    const auto decoded = decode_item_file(cut_file);
    ASSERT_FALSE(decoded.ok()) << field.name;
    EXPECT_EQ(decoded.error->offset, cut) << field.name;
    const std::string part = field.name == "text" ? "text byte count" : std::string(field.name);
    EXPECT_EQ(decoded.error->message,
              "file ends inside item 1, " + part + " (0 of its " + std::to_string(field.size) + " bytes)");
  }
}

// A file of the embedded build, damaged by `damage`, and where the decoder
// must say it stops making sense.
struct damaged_case {
  const char* name;
  binary_file_kind kind;
  std::function<void(std::string&)> damage;
  std::size_t offset;
  const char* message_part;
};

std::optional<decode_error> decode_error_of(binary_file_kind kind, const std::string& file) {
  switch (kind) {
    case binary_file_kind::track: return decode_track_file(bytes_of(file)).error;
    case binary_file_kind::items: return decode_item_file(bytes_of(file)).error;
    case binary_file_kind::plan: return decode_line_data(bytes_of(file)).error;
  }
  return std::nullopt;
}

TEST(BinaryReading, DamagedFilesAreRefusedWhereTheyStopMakingSense) {
  scratch_directory dir;
  const scenario_model model = built_model(embedded_line_source(), embedded_train_source(), dir);
  const std::string track = read_file(dir / track_file_name(model));
  const std::string items = read_file(dir / item_file_name(model));
  const std::string plan = read_file(dir / line_data_name(model));
  ASSERT_EQ(track.size(), 1781u * 15);
  ASSERT_EQ(plan.size(), 20u * (89000 - 3) + 24);
  // Offsets inside the item file of the embedded build.
  std::size_t slot_85 = 0;
  for (int slot = 0; slot < 85; ++slot) slot_85 += 34 + model.items[slot].text.size();
  const std::size_t slot_86 = slot_85 + 34 + model.items[85].text.size();
  ASSERT_EQ(slot_86 + 34 + 5, items.size());

  const damaged_case cases[] = {
      {"empty track", binary_file_kind::track, [](std::string& f) { f.clear(); }, 0, "empty file"},
      {"track cut inside cell 1780", binary_file_kind::track, [](std::string& f) { f.pop_back(); }, 1780 * 15,
       "inside cell 1780 (14 of its 15 bytes)"},
      {"track with a byte more", binary_file_kind::track, [](std::string& f) { f.push_back('\0'); }, 1781 * 15,
       "inside cell 1781 (1 of its 15 bytes)"},
      {"track of one byte", binary_file_kind::track, [](std::string& f) { f.resize(1); }, 0, "inside cell 0"},

      {"empty items", binary_file_kind::items, [](std::string& f) { f.clear(); }, 0, "empty file"},
      {"items cut after item 85", binary_file_kind::items, [&](std::string& f) { f.resize(slot_86); }, slot_86,
       "ends after item 85"},
      {"items cut inside seconds of item 86", binary_file_kind::items, [](std::string& f) { f.pop_back(); },
       slot_86 + 39 - 4, "inside item 86, seconds (3 of its 4 bytes)"},
      {"items cut inside the text count of item 0", binary_file_kind::items, [](std::string& f) { f.resize(15); }, 14,
       "inside item 0, text byte count"},
      {"items cut inside start_m of item 0", binary_file_kind::items, [](std::string& f) { f.resize(3); }, 1,
       "inside item 0, start_m (2 of its 4 bytes)"},
      {"text count of item 86 past the end", binary_file_kind::items, [&](std::string& f) { f[slot_86 + 14] = '\x30'; },
       slot_86 + 14, "item 86 text of 48 bytes runs past"},
      {"text count of item 0 at its largest", binary_file_kind::items, [](std::string& f) { f[14] = f[15] = '\xff'; },
       14, "item 0 text of 65535 bytes"},
      {"items with a trailing byte", binary_file_kind::items, [](std::string& f) { f.push_back('x'); }, slot_86 + 39,
       "1 bytes after item 86"},
      {"items with an item more", binary_file_kind::items, [](std::string& f) { f.append(34, '\0'); }, slot_86 + 39,
       "34 bytes after item 86"},

      {"empty plan", binary_file_kind::plan, [](std::string& f) { f.clear(); }, 0, "empty file"},
      {"plan with an unknown tag", binary_file_kind::plan, [](std::string& f) { f[8] = '\x03'; }, 8,
       "unknown tag 3 of value 2"},
      {"plan with a tag above 255", binary_file_kind::plan, [](std::string& f) { f[1] = '\x01'; }, 0,
       "unknown tag 258 of value 0"},
      {"plan cut inside a tag", binary_file_kind::plan, [](std::string& f) { f.resize(9); }, 8,
       "inside the tag of value 2"},
      {"plan cut inside a double", binary_file_kind::plan, [](std::string& f) { f.resize(17); }, 8,
       "inside value 2 (tag 5 needs 8 bytes of data, 7 left)"},
      {"plan cut inside an integer", binary_file_kind::plan, [](std::string& f) { f.resize(7); }, 4,
       "inside value 1 (tag 2 needs 2 bytes of data, 1 left)"},
      {"plan with a value more", binary_file_kind::plan, [](std::string& f) { f.append(2, '\0'); },
       20 * (89000 - 3) + 26, "odd number of values (178003)"},
      {"plan with its last value cut off", binary_file_kind::plan, [](std::string& f) { f.resize(f.size() - 2); },
       20 * (89000 - 3) + 22, "odd number of values (178001)"},
  };
  for (const damaged_case& c : cases) {
    std::string file = c.kind == binary_file_kind::track ? track : c.kind == binary_file_kind::items ? items : plan;
    c.damage(file);
    const std::optional<decode_error> error = decode_error_of(c.kind, file);
    ASSERT_TRUE(error.has_value()) << c.name;
    EXPECT_EQ(error->offset, c.offset) << c.name << ": " << error->message;
    EXPECT_NE(error->message.find(c.message_part), std::string::npos) << c.name << ": " << error->message;
    if (c.kind != binary_file_kind::plan) continue;
    // Read a block at a time, the file is refused in the same words and nothing of it is handed on.
    std::optional<decode_error> streamed_error;
    const collected_points sink = streamed(file, streamed_error);
    ASSERT_TRUE(streamed_error.has_value()) << c.name;
    EXPECT_EQ(streamed_error->offset, error->offset) << c.name;
    EXPECT_EQ(streamed_error->message, error->message) << c.name;
    EXPECT_TRUE(sink.halves[0].empty()) << c.name;
  }
}

TEST(BinaryReading, MissingFormatMarkersAreFoundAtTheirOffsets) {
  std::vector<track_cell> cells(3);
  ASSERT_TRUE(format_marker_problem(cells).has_value());
  EXPECT_EQ(format_marker_problem(cells)->offset, 16u);
  cells[1].param_1 = track_format_marker;
  EXPECT_FALSE(format_marker_problem(cells));
  EXPECT_EQ(format_marker_problem(std::span(cells).first(1))->offset, 15u);

  std::array<item, item_slots> items{};
  items[3].text = "abc";
  items[85].text = "Line";
  ASSERT_TRUE(format_marker_problem(items).has_value());
  EXPECT_EQ(format_marker_problem(items)->offset, 85u * 34 + 3 + 16 + 4);
  items[85].word_1 = item_format_marker;
  EXPECT_FALSE(format_marker_problem(items));
}

TEST(BinaryReading, TheKindOfFileIsToldFromItsName) {
  const struct {
    const char* name;
    std::optional<binary_file_kind> kind;
  } cases[] = {
      {"Corvalia_Brunasco-Alpestra_linea.dat", binary_file_kind::plan},
      {"out/Corvalia_Brunasco-Alpestra_40517.dat", binary_file_kind::track},
      {"C:\\sim\\Corvalia_Brunasco-Alpestra_40517.sim", binary_file_kind::items},
      {"OUT/X_LINEA.DAT", binary_file_kind::plan},
      {"X_40517.Sim", binary_file_kind::items},
      {"_linea.dat/track.dat", binary_file_kind::track},
      {"linea.dat", binary_file_kind::track},
      {"X_40517_note.txt", std::nullopt},
      {"X_linea.dat.bak", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(binary_file_kind_from_name(c.name), c.kind) << c.name;
  for (binary_file_kind kind : {binary_file_kind::track, binary_file_kind::items, binary_file_kind::plan})
    EXPECT_EQ(binary_file_kind_from_word(binary_file_kind_word(kind)), kind);
  EXPECT_FALSE(binary_file_kind_from_word("cells"));
}

}  // namespace
}  // namespace compila::testing
