#include "tool/lsp/record_guide.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "line_compiler/line_source.h"
#include "model/rounding.h"
#include "reading/field_reader.h"
#include "train_compiler/train_source.h"

namespace compila::lsp {
namespace {

using c = cell_rule;

constexpr std::array route_length_fields{field_info{"length", "m", "the length of the route"}};
constexpr std::array breakpoint_fields{field_info{"position", "m",
                                                  "route position where the chainage changes (a multiple of 50)"},
                                       field_info{"chainage", "m", "the chainage value from there (a multiple of 50)"},
                                       field_info{"flag", "", "1 adds 100 metres to the chainage value"}};
constexpr std::array background_fields{
    field_info{"setting", "", "the background setting, stored in item 85 for the simulator"}};
constexpr std::array repetition_fields{field_info{"first", "m", "first signal repetition distance (a multiple of 50)"},
                                       field_info{"second", "m", "second signal repetition distance; 0 for none"}};
constexpr std::array gradient_fields{field_info{"position", "m", "position where the gradient changes", c::same},
                                     field_info{"gradient", "", "the gradient from here on, -100 to 155"}};
constexpr std::array curve_fields{field_info{"start", "m", "where the curve starts", c::same},
                                  field_info{"length", "m", "the curve's length"}};
constexpr std::array mountain_fields{field_info{"start", "m", "where the tunnel starts", c::same},
                                     field_info{"end", "m", "where the tunnel ends", c::same},
                                     field_info{"kind", "",
                                                "tunnel kind, 1 or 2; 10 more (11, 12) asks for tunnel markers"}};
constexpr std::array speed_board_fields{field_info{"position", "m", "where the board stands", c::next},
                                        field_info{"s_a", "km/h", "s side: the speed for rank A"},
                                        field_info{"s_b", "km/h", "s side: the speed for rank B"},
                                        field_info{"s_c", "km/h", "s side: the speed for rank C"},
                                        field_info{"s_stripes", "", "s side: stripe count, 0 to 9"},
                                        field_info{"d_a", "km/h",
                                                   "d side: the speed for rank A, below 100 (empty for none)"},
                                        field_info{"d_b", "km/h",
                                                   "d side: the speed for rank B, below 100 (empty for none)"},
                                        field_info{"d_c", "km/h",
                                                   "d side: the speed for rank C, below 100 (empty for none)"},
                                        field_info{"d_stripes", "", "d side: stripe count, 0 to 9"}};
constexpr std::array signboard_fields{field_info{"position", "m", "where the board stands", c::next},
                                      field_info{"text", "", "what the board says, up to the comma or line end",
                                                 c::none, true}};

constexpr std::array cars_fields{field_info{"cars", "", "how many cars the train has"}};
constexpr std::array braked_mass_fields{field_info{"percent", "percent", "the braked-mass percentage"}};
constexpr std::array sand_fields{field_info{"sand", "", "the sand value, for the simulator"}};
constexpr std::array clock_fields{field_info{"hours", "h", "the clock at the start of the run: hours"},
                                  field_info{"minutes", "min", "the clock at the start of the run: minutes"},
                                  field_info{"seconds", "s", "the clock at the start of the run: seconds"}};
constexpr std::array adhesion_fields{field_info{"position", "m", "where the adhesion changes", c::same},
                                     field_info{"adhesion", "percent", "the adhesion from here on, 0 to 255"}};
constexpr std::array speed_fields{field_info{"position", "m", "where the speed limit changes", c::same},
                                  field_info{"speed", "km/h", "the speed limit from here on, 0 to 1277"}};
constexpr std::array station_fields{
    field_info{"position", "m", "where the station is; a multiple of 50", c::same},
    field_info{"kind", "", "kind code"},
    field_info{"length", "m", "length; a multiple of 100"},
    field_info{"value_4", "", "station value, stored for the simulator"},
    field_info{"value_5", "", "station value; cleared for stations shorter than 600 m and for the first station"},
    field_info{"extension", "", "end extension: when not 0 the station ends 50 m further"},
    field_info{"value_7", "", "station value, stored for the simulator"},
    field_info{"value_8", "", "station value, stored for the simulator"},
    field_info{"value_9", "", "station value"},
    field_info{"value_10", "", "station value"},
    field_info{"value_11", "", "station value"},
    field_info{"value_12", "", "station value"},
    field_info{"value_13", "", "station value (1 for the first station, 60 for one with a timetable time)"},
    field_info{"hours", "h", "timetable time: hours (all 0 for none)"},
    field_info{"minutes", "min", "timetable time: minutes"},
    field_info{"seconds", "s", "timetable time: seconds"},
    field_info{"name", "", "the station's name, up to the comma or line end", c::none, true}};
constexpr std::array signal_fields{field_info{"posizione", "m", "position; at least 350", c::next},
                                   field_info{"sx", "", "the s side's signal code, 0 to 2"},
                                   field_info{"s1", "", "the s side's first further code, a single digit"},
                                   field_info{"s2", "", "the s side's second further code, a single digit"},
                                   field_info{"s3", "", "the s side's third further code, a single digit"},
                                   field_info{"rapp", "", "a further code of the whole signal, a single digit"},
                                   field_info{"dx", "", "the d side's signal code, 0 to 2"},
                                   field_info{"d1", "", "the d side's first further code, a single digit"},
                                   field_info{"d2", "", "the d side's second further code, a single digit"},
                                   field_info{"d3", "", "the d side's third further code, a single digit"},
                                   field_info{"tempo", "", "a time value, used when sx is 2"}};
constexpr std::array slowdown_fields{field_info{"x", "m", "where the slowdown starts", c::next},
                                     field_info{"v", "km/h", "its speed"},
                                     field_info{"l", "m", "its length"},
                                     field_info{"f_tt", "", "a value carried by the start and end cells"},
                                     field_info{"f_ta", "",
                                                "1 for countdown boards before the warning board, 0 for none"},
                                     field_info{"d_v", "",
                                                "a value carried by the start, end and warning cells when not 0"}};
constexpr std::array reduction_fields{field_info{"position", "m", "where the reduction point is", c::same},
                                      field_info{"value", "", "its value; 0 or less for a point without a value"}};

using p = record_part;
constexpr std::array records{
    record_info{"lunghezza percorso", p::general, "route length", "lunghezza percorso", route_length_fields},
    record_info{"progressiva chilometrica tre", p::general, "chainage breakpoints", "progressiva chilometrica tre",
                breakpoint_fields},
    record_info{"progressiva chilometrica due", p::general, "chainage breakpoints", "progressiva chilometrica due",
                breakpoint_fields},
    record_info{"progressiva chilometrica uno", p::general, "chainage breakpoints", "progressiva chilometrica uno",
                breakpoint_fields},
    record_info{"sfondo uno", p::general, "background settings", "sfondo uno", background_fields},
    record_info{"sfondo due", p::general, "background settings", "sfondo due", background_fields},
    record_info{"sfondo tre", p::general, "background settings", "sfondo tre", background_fields},
    record_info{"ripetizione segnali 4 codici", p::general, "signal repetition", "ripetizione segnali 4 codici",
                repetition_fields},
    record_info{"pendenza", p::line, "gradient", "pendenza", gradient_fields},
    record_info{"curva", p::line, "curves", "curvad3", curve_fields},
    record_info{"montagna", p::line, "mountain span (tunnel)", "montagna", mountain_fields},
    record_info{"indicatori_vmax", p::line, "speed indicator board", "indicatori_vmax", speed_board_fields},
    record_info{"cartello_indicatore", p::line, "signboard", "cartello_indicatore", signboard_fields},
    record_info{"percentuale massa frenata", p::train, "braked mass", "percentuale massa frenata", braked_mass_fields},
    record_info{"numero vetture", p::train, "number of cars", "numero vetture", cars_fields},
    record_info{"velocita", p::train, "speed limit", "velocita", speed_fields},
    record_info{"aderenza", p::train, "adhesion", "aderenza", adhesion_fields},
    record_info{"orologio", p::train, "clock", "orologio", clock_fields},
    record_info{"sabbia", p::train, "sand", "sabbia", sand_fields},
    record_info{"segnale", p::train, "signal", "segnale", signal_fields},
    record_info{"rallentamento", p::train, "slowdown", "rallentamento", slowdown_fields},
    record_info{"abbattimento", p::train, "reduction point", "abbattimento", reduction_fields},
    record_info{"stazione", p::train, "station", "stazione", station_fields},
};

const record_info* record_named(std::string_view name) {
  const auto* const found =
      std::find_if(records.begin(), records.end(), [&](const record_info& r) { return r.record == name; });
  return found == records.end() ? nullptr : &*found;
}

const record_info* first_match(std::span<const keyword_test> tests, std::string_view field) {
  for (const keyword_test& test : tests)
    if (test.matches(field)) return record_named(test.record);
  return nullptr;
}

bool is_blank(char ch) { return ch == ' ' || ch == '\t'; }

std::size_t skip_blanks(std::string_view line, std::size_t at) {
  while (at < line.size() && is_blank(line[at])) ++at;
  return at;
}

// A text field from `at`: up to the comma or the line's end, without its
// trailing blanks; `at` moves past the comma.
field_span text_field(std::string_view line, std::size_t& at) {
  at = skip_blanks(line, at);
  const std::size_t begin = at;
  while (at < line.size() && line[at] != ',') ++at;
  std::size_t end = at;
  while (end > begin && is_blank(line[end - 1])) --end;
  if (at < line.size()) ++at;
  return {begin, end};
}

// A number field from `at`: up to a blank, comma or the line's end; then
// blanks and one comma are passed over.
field_span number_field(std::string_view line, std::size_t& at) {
  at = skip_blanks(line, at);
  const std::size_t begin = at;
  while (at < line.size() && line[at] != ',' && !is_blank(line[at])) ++at;
  const std::size_t end = at;
  at = skip_blanks(line, at);
  if (at < line.size() && line[at] == ',') ++at;
  return {begin, end};
}

std::string kilometres(std::int64_t metres) {
  const std::int64_t whole = std::llabs(metres);
  std::string thousandths = std::to_string(whole % 1000);
  thousandths.insert(0, 3 - thousandths.size(), '0');
  return std::string(metres < 0 ? "-" : "") + std::to_string(whole / 1000) + "." + thousandths;
}

char lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

// The number of single-letter insertions, deletions and changes from `a` to `b`.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string_view nearest_keyword(std::string_view field, bool train_source) {
  constexpr std::size_t most_edits = 2;
  std::string_view nearest;
  std::size_t best = most_edits + 1;
  bool tied = false;
  for (const record_info& record : records) {
    if ((record.part == record_part::train) != train_source) continue;
    const std::size_t distance = edit_distance(field, record.written);
    if (distance < best) {
      best = distance;
      nearest = record.written;
      tied = false;
    } else if (distance == best && record.written != nearest) {
      tied = true;
    }
  }
  return tied ? std::string_view() : nearest;
}

std::span<const record_info> record_infos() { return records; }

const record_info* record_of_field(std::string_view field, bool train_source) {
  if (contains(field, "-")) return nullptr;  // a comment
  if (train_source) return first_match(train_record_tests(), field);
  if (const record_info* general = first_match(general_record_tests(), field)) return general;
  return first_match(line_record_tests(), field);
}

record_line split_record_line(std::string_view line, bool train_source) {
  record_line split;
  std::size_t at = 0;
  split.keyword = text_field(line, at);
  split.record =
      record_of_field(line.substr(split.keyword.begin, split.keyword.end - split.keyword.begin), train_source);
  if (split.record == nullptr) return split;
  for (std::size_t index = 0; skip_blanks(line, at) < line.size(); ++index) {
    const bool text = index < split.record->fields.size() && split.record->fields[index].text;
    split.fields.push_back(text ? text_field(line, at) : number_field(line, at));
  }
  return split;
}

std::vector<field_value> read_field_values(std::string_view line, const record_info& record) {
  field_reader reader(line);
  (void)reader.read_text();  // the keyword
  std::vector<field_value> values;
  for (const field_info& field : record.fields) {
    field_value value;
    if (field.text) value.text = reader.read_text();
    else value.number = reader.read_i32();
    value.read = !reader.failed();
    if (!value.read) value.number.reset();
    values.push_back(std::move(value));
  }
  return values;
}

std::string value_in_words(const field_info& field, const field_value& value) {
  if (!value.read) return "(does not read)";
  if (field.text) return value.text;
  const std::int64_t number = *value.number;
  std::string words = std::to_string(number);
  if (!field.unit.empty()) words += " " + std::string(field.unit);
  if (field.cell != cell_rule::none)
    words += " = km " + kilometres(number) + ", cell " + std::to_string(cell_of(number, field.cell == c::next ? 1 : 0));
  return words;
}

std::string record_snippet(const record_info& record) {
  std::string snippet(record.written);
  int placeholder = 1;
  for (const field_info& field : record.fields)
    snippet += ",  ${" + std::to_string(placeholder++) + ":" + std::string(field.name) + "}";
  return snippet;
}

}  // namespace compila::lsp
