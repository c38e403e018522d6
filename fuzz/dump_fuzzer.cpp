// Fuzzes scenario_tool dump: the input is the content of a binary file, read
// as each of the three kinds. Whatever the bytes, the decoders must stay in
// bounds, an error must point inside the file (or at its end), a file that
// decodes must encode back to the very same bytes, and the text and JSON
// shown of it must be produced without a throw (the JSON as valid UTF-8).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "format/binary_reader.h"
#include "format/binary_writer.h"
#include "fuzz_support.h"
#include "tool/dump_format.h"

namespace {

using namespace compila;
using compila::fuzzing::require;

bool same_bytes(const byte_buffer& encoded, std::span<const std::uint8_t> bytes) {
  return encoded.size() == bytes.size() && std::equal(encoded.begin(), encoded.end(), bytes.begin());
}

template <typename records_type>
void require_sound_error(const decode_result<records_type>& result, std::size_t size) {
  if (!result.ok()) {
    require(result.error->offset <= size, "an error offset past the end of the file");
    require(!result.error->message.empty(), "an error without a message");
  }
}

void check_decoders(std::span<const std::uint8_t> bytes) {
  scenario_model model;
  const auto cells = decode_track_file(bytes);
  require_sound_error(cells, bytes.size());
  if (cells.ok()) {
    model.cells = cells.records;
    require(same_bytes(encode_track_file(model), bytes), "a track file that does not encode back to its bytes");
    if (const auto marker = format_marker_problem(cells.records))
      require(marker->offset <= bytes.size(), "a marker offset past the end of the track file");
  }
  const auto items = decode_item_file(bytes);
  require_sound_error(items, bytes.size());
  if (items.ok()) {
    model.items = items.records;
    require(same_bytes(encode_item_file(model), bytes), "an item file that does not encode back to its bytes");
    if (const auto marker = format_marker_problem(items.records))
      require(marker->offset + 2 <= bytes.size(), "a marker offset outside the item file");
  }
  const auto plan = decode_line_data(bytes);
  require_sound_error(plan, bytes.size());
  if (plan.ok()) {
    require(plan.records[0].size() == plan.records[1].size(), "plan halves of different lengths");
    require(same_bytes(encode_plan_values(plan.records[0], plan.records[1]), bytes),
            "a line data file that does not encode back to its bytes");
  }
}

// The options come from the size, so that the bytes stay a plain file and
// the seeds need no header; showing every record only now and then keeps
// the runs fast.
void check_shown(std::span<const std::uint8_t> bytes) {
  const bool all = bytes.size() % 8 == 0;
  const std::size_t step = 1 + bytes.size() % 251;
  for (binary_file_kind kind : {binary_file_kind::track, binary_file_kind::items, binary_file_kind::plan}) {
    const tool::dumped_file text = tool::dump_file("fuzz", bytes, kind, {all, step, false});
    require(text.error.has_value() != !text.text.empty(), "text shown for a damaged file, or none for a whole one");
    const tool::dumped_file json = tool::dump_file("fuzz", bytes, kind, {all, step, true});
    require(json.error.has_value() == text.error.has_value(), "text and JSON disagree on the damage");
    if (!json.error) {
      const std::string document = json.json.dump();  // throws on invalid UTF-8
      require(nlohmann::ordered_json::parse(document) == json.json, "JSON that does not read back");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  check_decoders(bytes);
  check_shown(bytes);
  return 0;
}
