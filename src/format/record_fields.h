// The fields of the track cell and item records in file order, each with the
// model's name for it: the one table that the encoder, the decoder and dump
// walk (the byte layouts are described in binary_writer.h).
//
// The tables are tuples known at compile time, so a walk unrolls into one
// plain load or store per field:
//
//   for_each_field(track_cell_fields, [&](const auto& field) { use(field.name, cell.*field.member); });
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "model/scenario_model.h"

namespace compila {

// A text in a record: a u16 byte count, then that many bytes.
using text_count = std::uint16_t;

// One field of `Record`: the member that holds it and its name.
template <typename Record, typename Value>
struct record_field {
  static_assert(std::is_same_v<Value, std::string> ||
                    (std::is_integral_v<Value> && (sizeof(Value) == 1 || sizeof(Value) == 2 || sizeof(Value) == 4)),
                "a record field is an integer of 1, 2 or 4 bytes or a text");

  using value_type = Value;
  static constexpr bool is_text = std::is_same_v<Value, std::string>;
  // Bytes of the field in a file, a text's own bytes apart.
  static constexpr std::size_t fixed_size = is_text ? sizeof(text_count) : sizeof(Value);

  std::string_view name;
  Value Record::*member;
};

template <typename Record, typename Value>
record_field(std::string_view, Value Record::*) -> record_field<Record, Value>;

// Calls `visit` with each field of `fields` in turn.
template <typename Fields, typename Visit>
constexpr void for_each_field(const Fields& fields, Visit&& visit) {
  std::apply([&](const auto&... each) { (visit(each), ...); }, fields);
}

// Track cell. The fields up to approach_code say what stands on the cell
// (approach_code for an object a few cells further on), the others describe
// the line under it; dump tells cells apart by the two groups.
inline constexpr auto track_cell_object_fields = std::tuple{
    record_field{"cell_type", &track_cell::cell_type},
    record_field{"param_1", &track_cell::param_1},
    record_field{"param_2", &track_cell::param_2},
    record_field{"param_3", &track_cell::param_3},
    record_field{"param_4", &track_cell::param_4},
    record_field{"signal_time", &track_cell::signal_time},
    record_field{"approach_code", &track_cell::approach_code},
};
inline constexpr auto track_cell_line_fields = std::tuple{
    record_field{"tunnel_kind", &track_cell::tunnel_kind},
    record_field{"speed_limit", &track_cell::speed_limit},
    record_field{"gradient", &track_cell::gradient},
    record_field{"adhesion", &track_cell::adhesion},
};
inline constexpr auto track_cell_fields = std::tuple_cat(track_cell_object_fields, track_cell_line_fields);

// Item, its text in the middle.
inline constexpr auto item_fields = std::tuple{
    record_field{"kind", &item::kind},     record_field{"start_m", &item::start_m},
    record_field{"end_m", &item::end_m},   record_field{"at_m", &item::at_m},
    record_field{"flag", &item::flag},     record_field{"text", &item::text},
    record_field{"word_1", &item::word_1}, record_field{"word_2", &item::word_2},
    record_field{"word_3", &item::word_3}, record_field{"word_4", &item::word_4},
    record_field{"word_5", &item::word_5}, record_field{"byte_1", &item::byte_1},
    record_field{"byte_2", &item::byte_2}, record_field{"byte_3", &item::byte_3},
    record_field{"byte_4", &item::byte_4}, record_field{"seconds", &item::seconds},
};

// Bytes of a record whose texts are empty.
template <typename Fields>
consteval std::size_t fixed_record_size(const Fields& fields) {
  std::size_t size = 0;
  for_each_field(fields, [&](const auto& each) { size += std::remove_cvref_t<decltype(each)>::fixed_size; });
  return size;
}

// Where the field called `name` starts in a record whose texts are empty (a
// field after a text starts later by the text's bytes). A name that is not
// in `fields` does not compile.
template <typename Fields>
consteval std::size_t fixed_field_offset(const Fields& fields, std::string_view name) {
  std::size_t offset = 0;
  bool found = false;
  for_each_field(fields, [&](const auto& each) {
    if (each.name == name) found = true;
    if (!found) offset += std::remove_cvref_t<decltype(each)>::fixed_size;
  });
  if (!found) throw "no field of that name";
  return offset;
}

inline constexpr std::size_t track_record_size = fixed_record_size(track_cell_fields);
inline constexpr std::size_t item_record_size_without_text = fixed_record_size(item_fields);

}  // namespace compila
