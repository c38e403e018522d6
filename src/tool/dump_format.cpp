#include "tool/dump_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <type_traits>
#include <variant>
#include <vector>

#include "format/record_fields.h"
#include "model/text_encoding.h"

namespace compila::tool {
namespace {

using json = nlohmann::ordered_json;

// A table printed with its columns aligned: numbers to the right; when
// `text_last`, the last column (a text or a name) to the left and unpadded.
class aligned_table {
 public:
  aligned_table(std::vector<std::string> headers, bool text_last) : widths_(headers.size()), text_last_(text_last) {
    add(std::move(headers));
  }

  void add(std::vector<std::string> row) {
    for (std::size_t c = 0; c < row.size() && c < widths_.size(); ++c) widths_[c] = std::max(widths_[c], row[c].size());
    rows_.push_back(std::move(row));
  }

  std::string render() const {
    std::string out;
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        const bool left = text_last_ && c + 1 == row.size();
        if (c != 0) out += "  ";
        if (!left) out.append(widths_[c] - row[c].size(), ' ');
        out += row[c];
      }
      out += '\n';
    }
    return out;
  }

 private:
  std::vector<std::size_t> widths_;
  std::vector<std::vector<std::string>> rows_;
  bool text_last_;
};

// Calls `visit(name, value)` for each number of `record` in file order, under
// the model's names. A text is left out: dump shows it last, after the numbers.
template <typename Record, typename Fields, typename Visit>
void for_each_number(const Record& record, const Fields& fields, Visit&& visit) {
  for_each_field(fields, [&](const auto& field) {
    if constexpr (!std::remove_cvref_t<decltype(field)>::is_text)
      visit(field.name, static_cast<std::int32_t>(record.*field.member));
  });
}

// The names of the numbers of a record, after `leading` and before `trailing`.
template <typename Fields>
std::vector<std::string> headers(std::initializer_list<const char*> leading, const Fields& fields,
                                 const char* trailing) {
  std::vector<std::string> names(leading.begin(), leading.end());
  for_each_field(fields, [&](const auto& field) {
    if (!std::remove_cvref_t<decltype(field)>::is_text) names.emplace_back(field.name);
  });
  names.emplace_back(trailing);
  return names;
}

// The object on a cell, by the names of cell_kind; empty for a code the
// build never writes.
std::string_view object_name(std::uint8_t cell_type) {
  switch (cell_type) {
    case cell_kind::nothing: return "nothing";
    case cell_kind::signal: return "signal";
    case cell_kind::slowdown_end: return "slowdown_end";
    case cell_kind::slowdown_start: return "slowdown_start";
    case cell_kind::warning_board: return "warning_board";
    case cell_kind::countdown: return "countdown";
    case cell_kind::speed_board: return "speed_board";
    case cell_kind::stopping_point: return "stopping_point";
    case cell_kind::tunnel_marker: return "tunnel_marker";
    case cell_kind::reduction_with_value: return "reduction_with_value";
    case cell_kind::reduction_without_value: return "reduction_without_value";
    case cell_kind::signboard: return "signboard";
    default: return "";
  }
}

bool holds_object(const track_cell& c) {
  bool any = false;
  for_each_field(track_cell_object_fields, [&](const auto& field) { any = any || c.*field.member != 0; });
  return any;
}

bool same_line_under(const track_cell& a, const track_cell& b) {
  bool same = true;
  for_each_field(track_cell_line_fields, [&](const auto& field) { same = same && a.*field.member == b.*field.member; });
  return same;
}

std::vector<std::size_t> shown_cells(std::span<const track_cell> cells, const dump_options& options) {
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (options.all || i == 0 || holds_object(cells[i]) || !same_line_under(cells[i], cells[i - 1])) shown.push_back(i);
  return shown;
}

std::vector<std::size_t> shown_slots(const std::array<item, item_slots>& items, const dump_options& options) {
  std::vector<std::size_t> shown;
  for (std::size_t slot = 0; slot < items.size(); ++slot)
    if (options.all || items[slot] != item{}) shown.push_back(slot);
  return shown;
}

std::vector<std::size_t> shown_points(std::size_t count, const dump_options& options) {
  const std::size_t step = options.all ? 1 : std::max<std::size_t>(options.step, 1);
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < count; i += step) {
    shown.push_back(i);
    if (count - 1 - i < step) break;  // the next step would pass the end
  }
  if (count != 0 && shown.back() != count - 1) shown.push_back(count - 1);
  return shown;
}

// A double in its shortest form that reads back to the same bits, with a
// decimal point so that it never looks like one of the integers.
std::string double_text(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[64];
  auto* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  std::string text(buffer, end);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string plan_value_text(const plan_value& value) {
  if (const auto* integer = std::get_if<std::int16_t>(&value)) return std::to_string(*integer);
  if (const auto* real = std::get_if<double>(&value)) return double_text(*real);
  return "-";
}

// JSON: null for an empty value, a number otherwise; a double that JSON has
// no number for (nan, inf) as its text.
json plan_value_json(const plan_value& value) {
  if (const auto* integer = std::get_if<std::int16_t>(&value)) return *integer;
  if (const auto* real = std::get_if<double>(&value)) {
    if (std::isfinite(*real)) return *real;
    return double_text(*real);
  }
  return nullptr;
}

std::string quoted_text(std::string_view text) {
  std::string out(1, '"');
  out += printable_text(text);
  out += '"';
  return out;
}

std::string title(std::string_view name, const char* what, std::size_t bytes) {
  return std::string(name) + ": " + what + ", " + std::to_string(bytes) + " bytes";
}

std::string shown_note(std::size_t shown, std::size_t total, const char* every) {
  if (shown == total) return "all shown";
  return std::to_string(shown) + " shown (--all for " + every + ")";
}

json file_json(std::string_view name, binary_file_kind kind, std::size_t bytes) {
  return json{{"file", std::string(name)}, {"kind", binary_file_kind_word(kind)}, {"bytes", bytes}};
}

void show_track(std::string_view name, std::size_t bytes, std::span<const track_cell> cells,
                const dump_options& options, dumped_file& out) {
  const std::vector<std::size_t> shown = shown_cells(cells, options);
  if (options.json) {
    out.json = file_json(name, binary_file_kind::track, bytes);
    out.json["cell_count"] = cells.size() - 1;
    json rows = json::array();
    for (std::size_t i : shown) {
      json row{{"cell", i}, {"position_m", i * cell_length_m}};
      for_each_number(cells[i], track_cell_fields,
                      [&](std::string_view field, std::int32_t value) { row[std::string(field)] = value; });
      row["object"] = object_name(cells[i].cell_type);
      rows.push_back(std::move(row));
    }
    out.json["cells"] = std::move(rows);
    return;
  }
  aligned_table table(headers({"cell", "position_m"}, track_cell_fields, "object"), true);
  for (std::size_t i : shown) {
    std::vector<std::string> row{std::to_string(i), std::to_string(i * cell_length_m)};
    for_each_number(cells[i], track_cell_fields,
                    [&](std::string_view, std::int32_t value) { row.push_back(std::to_string(value)); });
    row.emplace_back(object_name(cells[i].cell_type));
    table.add(std::move(row));
  }
  out.text = title(name, "track file", bytes) + ", cells 0 to " + std::to_string(cells.size() - 1) + "; " +
             shown_note(shown.size(), cells.size(), "every cell") + "\n" + table.render();
}

void show_items(std::string_view name, std::size_t bytes, const std::array<item, item_slots>& items,
                const dump_options& options, dumped_file& out) {
  const std::vector<std::size_t> shown = shown_slots(items, options);
  if (options.json) {
    out.json = file_json(name, binary_file_kind::items, bytes);
    json rows = json::array();
    for (std::size_t slot : shown) {
      json row{{"slot", slot}};
      for_each_number(items[slot], item_fields,
                      [&](std::string_view field, std::int32_t value) { row[std::string(field)] = value; });
      row["text"] = windows_1252_to_utf8(items[slot].text);
      rows.push_back(std::move(row));
    }
    out.json["items"] = std::move(rows);
    return;
  }
  aligned_table table(headers({"slot"}, item_fields, "text"), true);
  for (std::size_t slot : shown) {
    std::vector<std::string> row{std::to_string(slot)};
    for_each_number(items[slot], item_fields,
                    [&](std::string_view, std::int32_t value) { row.push_back(std::to_string(value)); });
    row.push_back(quoted_text(items[slot].text));
    table.add(std::move(row));
  }
  out.text = title(name, "item file", bytes) + ", items 0 to " + std::to_string(item_slots - 1) + "; " +
             shown_note(shown.size(), items.size(), "every slot") + "\n" + table.render();
}

void show_plan(std::string_view name, std::size_t bytes, const plan_points& plan, const dump_options& options,
               dumped_file& out) {
  const std::size_t count = plan[0].size();
  const std::vector<std::size_t> shown = shown_points(count, options);
  if (options.json) {
    out.json = file_json(name, binary_file_kind::plan, bytes);
    out.json["point_count"] = count;
    out.json["step"] = options.all ? 1 : std::max<std::size_t>(options.step, 1);
    json rows = json::array();
    for (std::size_t i : shown)
      rows.push_back(json{{"point", i}, {"x", plan_value_json(plan[0][i])}, {"y", plan_value_json(plan[1][i])}});
    out.json["points"] = std::move(rows);
    return;
  }
  aligned_table table({"point", "x", "y"}, false);
  for (std::size_t i : shown) table.add({std::to_string(i), plan_value_text(plan[0][i]), plan_value_text(plan[1][i])});
  std::string note = shown_note(shown.size(), count, "every point");
  if (shown.size() != count) note = "one point every " + std::to_string(options.step) + " and the last, " + note;
  out.text = title(name, "line data file", bytes) + ", points 0 to " + std::to_string(count - 1) +
             " (x, y in metres; - empty); " + note + "\n" + table.render();
}

}  // namespace

dumped_file dump_file(std::string_view name, std::span<const std::uint8_t> bytes, binary_file_kind kind,
                      const dump_options& options) {
  dumped_file out;
  switch (kind) {
    case binary_file_kind::track: {
      const auto decoded = decode_track_file(bytes);
      if (!decoded.ok()) {
        out.error = decoded.error;
        break;
      }
      out.marker = format_marker_problem(decoded.records);
      show_track(name, bytes.size(), decoded.records, options, out);
      break;
    }
    case binary_file_kind::items: {
      const auto decoded = decode_item_file(bytes);
      if (!decoded.ok()) {
        out.error = decoded.error;
        break;
      }
      out.marker = format_marker_problem(decoded.records);
      show_items(name, bytes.size(), decoded.records, options, out);
      break;
    }
    case binary_file_kind::plan: {
      const auto decoded = decode_line_data(bytes);
      if (!decoded.ok()) {
        out.error = decoded.error;
        break;
      }
      show_plan(name, bytes.size(), decoded.records, options, out);
      break;
    }
  }
  return out;
}

std::string printable_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte == '\\' || byte == '"') {
      out += '\\';
      out += ch;
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += ch;
    } else if (const char32_t character = windows_1252_character(byte); character >= 0xA0) {
      out += utf8_of(character);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out;
}

}  // namespace compila::tool
