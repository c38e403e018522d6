#include "line_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "line_plan.h"
#include "mountain_rules.h"

namespace fit_line {

namespace {

std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// "(x, y)" at the given number of decimals.
std::string point_text(double x, double y, int decimals) {
  std::string text = "(";
  text += fixed(x, decimals);
  text += ", ";
  text += fixed(y, decimals);
  text += ")";
  return text;
}

template <typename Record, typename Predicate>
std::string first_offender(const std::vector<Record>& records, Predicate offends,
                           std::string (*format)(const Record&)) {
  for (std::size_t i = 0; i < records.size(); ++i)
    if (offends(i)) return "first at \"" + format(records[i]) + "\"";
  return "";
}

template <typename Record>
bool contains(const std::vector<Record>& records, const Record& wanted) {
  return std::find(records.begin(), records.end(), wanted) != records.end();
}

template <typename Record>
bool consecutive(const std::vector<Record>& records, const Record& a, const Record& b) {
  const auto it = std::find(records.begin(), records.end(), a);
  return it != records.end() && it + 1 != records.end() && *(it + 1) == b;
}

struct result_list {
  std::vector<check_result> results;

  void add(std::string name, bool passed, std::string detail = "") {
    results.push_back({std::move(name), passed, std::move(detail)});
  }
  // Passes when no record offends; the detail names the first offender.
  void add_none(std::string name, const std::string& offender) { add(std::move(name), offender.empty(), offender); }
};

}  // namespace

std::vector<check_result> check_curves(const std::vector<curve_record>& curves, const curve_constraints& rules) {
  result_list out;
  const auto n = curves.size();
  out.add("curve record count is " + std::to_string(rules.record_count),
          n == static_cast<std::size_t>(rules.record_count), std::to_string(n));
  out.add("first curve is " + format_curve(rules.first_row), n > 0 && curves.front() == rules.first_row);
  out.add("last curve is " + format_curve(rules.last_row), n > 0 && curves.back() == rules.last_row);
  out.add_none("curve starts strictly ascending",
               first_offender(
                   curves, [&](std::size_t i) { return i > 0 && curves[i].start_m <= curves[i - 1].start_m; },
                   format_curve));
  out.add_none("curve starts and lengths on the " + std::to_string(rules.grid_m) + " m grid",
               first_offender(
                   curves,
                   [&](std::size_t i) {
                     return curves[i].start_m % rules.grid_m != 0 || curves[i].length_m % rules.grid_m != 0;
                   },
                   format_curve));
  out.add_none("curve lengths from " + std::to_string(rules.min_length_m) + " to " + std::to_string(rules.max_length_m),
               first_offender(
                   curves,
                   [&](std::size_t i) {
                     return curves[i].length_m < rules.min_length_m || curves[i].length_m > rules.max_length_m;
                   },
                   format_curve));
  const auto longest = std::count_if(curves.begin(), curves.end(),
                                     [&](const curve_record& c) { return c.length_m == rules.max_length_m; });
  out.add("only " + format_curve(rules.longest_row) + " has length " + std::to_string(rules.max_length_m),
          longest == 1 && contains(curves, rules.longest_row), std::to_string(longest) + " of that length");
  out.add_none("no two curves overlap",
               first_offender(
                   curves, [&](std::size_t i) { return i > 0 && curves[i - 1].end_m() > curves[i].start_m; },
                   format_curve));
  int touching = 0;
  for (std::size_t i = 1; i < n; ++i) touching += curves[i - 1].end_m() == curves[i].start_m;
  out.add("exactly " + std::to_string(rules.touching_pairs) + " curves end where the next begins",
          touching == rules.touching_pairs, std::to_string(touching));
  for (const auto& [a, b] : rules.touching_rows)
    out.add(format_curve(a) + " is followed by " + format_curve(b), consecutive(curves, a, b));
  std::map<std::pair<char, int>, int> found;
  for (const curve_record& c : curves) ++found[{c.side, c.curve_class}];
  std::map<std::pair<char, int>, int> wanted;
  for (const curve_kind_count& k : rules.kind_counts) wanted[{k.side, k.curve_class}] = k.count;
  std::string mismatch;
  for (const auto& [kind, count] : found)
    if (!wanted.contains(kind)) wanted[kind] = 0;
  for (const auto& [kind, count] : wanted)
    if (found[kind] != count)
      mismatch += std::string(" ") + kind.first + std::to_string(kind.second) + ": " + std::to_string(found[kind]) +
                  " not " + std::to_string(count) + ";";
  out.add("curve side/class counts", mismatch.empty(), mismatch);
  for (const curve_record& row : rules.required_rows)
    out.add("curve row " + format_curve(row) + " present", contains(curves, row));
  return out.results;
}

namespace {

// "rounds to" means the same value when both are rounded to `decimals`.
bool rounds_to(double value, const rounded_target& target) {
  const double scale = std::pow(10.0, target.decimals);
  return std::nearbyint(value * scale) == std::nearbyint(target.value * scale);
}

void add_rounded_checks(result_list& out, const std::string& what, double value, const rounded_target& target) {
  const std::string found = fixed(value, 6);
  out.add(what + " rounds to " + fixed(target.value, target.decimals), rounds_to(value, target), found);
  out.add(what + " within " + fixed(target.margin, 4) + " of " + fixed(target.value, target.decimals),
          std::abs(value - target.value) <= target.margin, found);
}

}  // namespace

std::vector<check_result> check_plan(const std::vector<curve_record>& curves, const plan_constraints& rules) {
  result_list out;
  const track_plan plan = compute_track_plan(curves, rules.track_extent_m());
  for (const plan_point_target& target : rules.points) {
    const double x = plan.x.at(static_cast<std::size_t>(target.metre));
    const double y = plan.y.at(static_cast<std::size_t>(target.metre));
    out.add("plan point " + std::to_string(target.metre) + " within " + fixed(target.tolerance, 5) + " of " +
                point_text(target.x, target.y, 4),
            std::abs(x - target.x) <= target.tolerance && std::abs(y - target.y) <= target.tolerance,
            point_text(x, y, 6));
  }
  const auto last = static_cast<std::size_t>(rules.last_point());
  const std::string point_name = "plan point " + std::to_string(last);
  add_rounded_checks(out, point_name + " x", plan.x[last], rules.end_x);
  add_rounded_checks(out, point_name + " y", plan.y[last], rules.end_y);
  const double step = std::hypot(plan.x[last] - plan.x[last - 1], plan.y[last] - plan.y[last - 1]);
  add_rounded_checks(out, "plan step into point " + std::to_string(last), step, rules.last_step_length);
  return out.results;
}

std::vector<check_result> check_mountains(const std::vector<mountain_span>& spans, const mountain_constraints& rules) {
  result_list out;
  const auto n = spans.size();
  out.add("mountain span count is " + std::to_string(rules.record_count),
          n == static_cast<std::size_t>(rules.record_count), std::to_string(n));
  out.add("first span is " + format_mountain(rules.first_row), n > 0 && spans.front() == rules.first_row);
  out.add("last span is " + format_mountain(rules.last_row), n > 0 && spans.back() == rules.last_row);
  out.add_none("span starts strictly ascending",
               first_offender(
                   spans, [&](std::size_t i) { return i > 0 && spans[i].start_m <= spans[i - 1].start_m; },
                   format_mountain));
  out.add_none("span starts and ends on the " + std::to_string(rules.grid_m) + " m grid",
               first_offender(
                   spans,
                   [&](std::size_t i) {
                     return spans[i].start_m % rules.grid_m != 0 || spans[i].end_m % rules.grid_m != 0;
                   },
                   format_mountain));
  out.add_none("at least " + std::to_string(rules.min_gap_m) + " m between spans",
               first_offender(
                   spans,
                   [&](std::size_t i) { return i > 0 && spans[i].start_m - spans[i - 1].end_m < rules.min_gap_m; },
                   format_mountain));
  out.add_none("span lengths from " + std::to_string(rules.min_length_m) + " to " + std::to_string(rules.max_length_m),
               first_offender(
                   spans,
                   [&](std::size_t i) {
                     return spans[i].length_m() < rules.min_length_m || spans[i].length_m() > rules.max_length_m;
                   },
                   format_mountain));
  const auto longest = std::count_if(spans.begin(), spans.end(),
                                     [&](const mountain_span& s) { return s.length_m() == rules.max_length_m; });
  out.add("only " + format_mountain(rules.longest_row) + " is " + std::to_string(rules.max_length_m) + " m long",
          longest == 1 && contains(spans, rules.longest_row), std::to_string(longest) + " of that length");
  out.add_none("kind " + std::to_string(rules.usual_kind) + " except on the listed rows",
               first_offender(
                   spans,
                   [&](std::size_t i) {
                     return spans[i].kind != rules.usual_kind && !contains(rules.other_kind_rows, spans[i]);
                   },
                   format_mountain));
  for (const mountain_span& row : rules.other_kind_rows)
    out.add("span row " + format_mountain(row) + " present", contains(spans, row));
  for (const mountain_span& row : rules.required_rows)
    out.add("span row " + format_mountain(row) + " present", contains(spans, row));
  for (const auto& [a, b] : rules.consecutive_rows)
    out.add(format_mountain(a) + " is followed by " + format_mountain(b), consecutive(spans, a, b));
  for (const int start : rules.required_starts_m)
    out.add("a span starts at " + std::to_string(start),
            std::any_of(spans.begin(), spans.end(), [&](const mountain_span& s) { return s.start_m == start; }));
  const std::vector<int> kinds = compiled_tunnel_kinds(spans, rules);
  for (const auto& [kind, count] : rules.compiled_kind_counts) {
    const auto found = std::count(kinds.begin(), kinds.end(), kind);
    out.add(std::to_string(count) + " spans compile to tunnel kind " + std::to_string(kind), found == count,
            std::to_string(found));
  }
  const std::vector<int> markers = tunnel_marker_cells(spans, rules);
  for (const int cell : rules.plain_cells)
    out.add("cell " + std::to_string(cell) + " is not a tunnel marker",
            !std::binary_search(markers.begin(), markers.end(), cell));
  return out.results;
}

namespace {

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The lines after `header` up to the next line that starts with '['.
std::vector<std::string_view> section_after(const std::vector<std::string_view>& lines, std::string_view header) {
  auto it = std::find(lines.begin(), lines.end(), header);
  if (it == lines.end()) return {};
  std::vector<std::string_view> section;
  for (++it; it != lines.end() && !it->starts_with("["); ++it) section.push_back(*it);
  return section;
}

bool same_lines(const std::vector<std::string_view>& found, const std::vector<std::string>& wanted) {
  return std::equal(found.begin(), found.end(), wanted.begin(), wanted.end());
}

template <typename Record, typename Parse>
std::vector<Record> parse_section(const std::vector<std::string_view>& section, Parse parse,
                                  std::string& first_bad_line) {
  std::vector<Record> records;
  for (std::string_view line : section) {
    if (const auto record = parse(line)) {
      records.push_back(*record);
    } else if (first_bad_line.empty()) {
      first_bad_line = "\"" + std::string(line) + "\"";
    }
  }
  return records;
}

void check_text_form(result_list& out, std::string_view text, const std::vector<std::string_view>& lines,
                     const line_constraints& rules) {
  out.add("LF line ends only", text.find('\r') == std::string_view::npos);
  out.add("text ends with a single LF", text.ends_with("\n") && !text.ends_with("\n\n"));
  out.add("line count is " + std::to_string(rules.line_count()),
          lines.size() == static_cast<std::size_t>(rules.line_count()), std::to_string(lines.size()));
  const fixed_text& t = rules.text;
  std::vector<std::string_view> headers;
  for (std::string_view line : lines)
    if (line.starts_with("[")) headers.push_back(line);
  const std::vector<std::string> wanted_headers{t.general.empty() ? std::string() : t.general.front(),
                                                t.curve_header,
                                                t.gradient_header,
                                                t.mountain_header,
                                                t.board_header,
                                                t.signboard_header,
                                                t.end_line};
  out.add("section headers in order, \"" + t.end_line + "\" last",
          same_lines(headers, wanted_headers) && !lines.empty() && lines.back() == t.end_line);
  std::vector<std::string_view> general{lines.begin(), std::find(lines.begin(), lines.end(), t.curve_header)};
  out.add("general section word for word", same_lines(general, t.general));
  out.add("gradient records word for word", same_lines(section_after(lines, t.gradient_header), t.gradients));
  out.add("speed board records word for word", same_lines(section_after(lines, t.board_header), t.boards));
  out.add("signboard records word for word", same_lines(section_after(lines, t.signboard_header), t.signboards));
}

}  // namespace

std::vector<check_result> check_line_source(std::string_view text, const line_constraints& rules) {
  result_list out;
  const std::vector<std::string_view> lines = split_lines(text);
  check_text_form(out, text, lines, rules);
  std::string bad_curve, bad_mountain;
  const auto curves =
      parse_section<curve_record>(section_after(lines, rules.text.curve_header), parse_curve, bad_curve);
  const auto spans =
      parse_section<mountain_span>(section_after(lines, rules.text.mountain_header), parse_mountain, bad_mountain);
  out.add_none("every curve record in the form \"curva<s|d><1-6>,  <start>,  <length>\"", bad_curve);
  out.add_none("every mountain record in the form \"montagna,   <start>,  <end>,  <kind>\"", bad_mountain);
  for (auto part :
       {check_curves(curves, rules.curves), check_plan(curves, rules.plan), check_mountains(spans, rules.mountains)})
    out.results.insert(out.results.end(), part.begin(), part.end());
  return out.results;
}

bool all_passed(const std::vector<check_result>& results) {
  return std::all_of(results.begin(), results.end(), [](const check_result& r) { return r.passed; });
}

std::string compose_line_source(const std::vector<curve_record>& curves, const std::vector<mountain_span>& mountains,
                                const fixed_text& text) {
  std::string out;
  auto line = [&out](const std::string& l) { out += l + "\n"; };
  for (const std::string& l : text.general) line(l);
  line(text.curve_header);
  for (const curve_record& c : curves) line(format_curve(c));
  line(text.gradient_header);
  for (const std::string& l : text.gradients) line(l);
  line(text.mountain_header);
  for (const mountain_span& s : mountains) line(format_mountain(s));
  line(text.board_header);
  for (const std::string& l : text.boards) line(l);
  line(text.signboard_header);
  for (const std::string& l : text.signboards) line(l);
  line(text.end_line);
  return out;
}

}  // namespace fit_line
