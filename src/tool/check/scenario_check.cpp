#include "tool/check/scenario_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

#include "driver/build_pipeline.h"
#include "driver/compile_sources.h"
#include "driver/post_processing.h"
#include "line_compiler/line_source.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "model/rounding.h"
#include "reading/reading_observer.h"
#include "reading/source_files.h"
#include "scenario/scenario_folder.h"
#include "scenario/text_writers.h"
#include "train_compiler/train_source.h"

namespace compila {
namespace {

constexpr std::array<finding_kind, 20> finding_kinds{{
    // What a build would lose or store otherwise than written.
    {"unknown-keyword", severity::error, "a field where a record should start matches no record keyword"},
    {"keyword-case", severity::error, "a general keyword with capitals, which matches only in small letters"},
    {"misplaced-record", severity::error,
     "a record where it is not read: before \"[generale]\", or in the wrong part of the line source"},
    {"commented-record", severity::error, "a record keyword in a field holding \"-\", which makes it a comment"},
    {"comma-in-comment", severity::error, "a comment going on after a comma, where a keyword field is read"},
    {"text-comma", severity::error, "a text cut at a comma, its rest read as a keyword field"},
    {"split-number", severity::error, "a number written with a comma inside (\"22,000\"), read as two"},
    {"no-records", severity::error, "a train source without \"[generale]\" or without any record"},
    {"value-wraps", severity::error, "a value its field cannot hold, stored wrapped"},
    {"curve-keyword", severity::error, "a curve keyword whose words say another side or class than is read"},
    {"utf8-undeclared", severity::error, "text saved as UTF-8 in a folder whose scenario.txt declares no encoding"},
    {"reversed-span", severity::error,
     "a curve, mountain span or slowdown that ends before it starts, or covers no cell"},
    // Read as written, but seldom meant.
    {"after-end", severity::warning, "a record after \"[fine]\""},
    {"comment-run", severity::warning, "a third comment field in a row, read as a keyword field"},
    {"extra-value", severity::warning, "a number after a record's last value"},
    {"multiple-records", severity::warning, "a keyword field that starts two or more records"},
    {"position-order", severity::warning, "a position before the previous record of the same kind"},
    {"station-times", severity::warning, "a station's time earlier than the station before it"},
    {"past-route-end", severity::warning, "a curve, mountain span or slowdown reaching past the end of the route"},
    {"overlap", severity::warning,
     "spans of one kind that overlap or swallow one another; a station's stopping point over an object"},
}};

std::string in_quotes(std::string_view field) { return "\"" + printable(field) + "\""; }

bool is_numeric(std::string_view field) {
  return !field.empty() && field.find_first_not_of("+-0123456789 \t") == std::string_view::npos &&
         field.find_first_of("0123456789") != std::string_view::npos;
}

bool is_header(std::string_view field) { return contains(field, "[") && contains(field, "]"); }

std::string lower_case(std::string_view field) {
  std::string out(field);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

int matching(std::span<const keyword_test> tests, std::string_view field) {
  return static_cast<int>(
      std::count_if(tests.begin(), tests.end(), [&](const keyword_test& t) { return t.matches(field); }));
}

std::string matched_names(std::span<const keyword_test> tests, std::string_view field) {
  std::string names;
  for (const keyword_test& t : tests) {
    if (!t.matches(field)) continue;
    names += names.empty() ? "" : ", ";
    names += t.record;
  }
  return names;
}

std::string_view folder_name(source_file file) {
  return (file == source_file::line ? line_source_file : train_source_file).folder_name;
}

std::string where(std::int32_t line) { return "line " + std::to_string(line); }

bool is_blank(std::string_view field) { return field.find_first_not_of(" \t") == std::string_view::npos; }

// Three digits alone: what follows the comma of a thousands separator.
bool is_thousands_group(std::string_view field) {
  const std::size_t first = field.find_first_not_of(" \t");
  const std::size_t last = field.find_last_not_of(" \t");
  if (first == std::string_view::npos || last - first != 2) return false;
  return field.substr(first, 3).find_first_not_of("0123456789") == std::string_view::npos;
}

// The records whose last value is a text that runs to the next comma.
bool ends_with_text(std::string_view record) { return record == "stazione" || record == "cartello_indicatore"; }

// What a value stored wrapped becomes, where the field's range is a whole
// byte or 16-bit word.
std::optional<std::int64_t> wrapped(std::int64_t value, std::int64_t min, std::int64_t max) {
  const std::int64_t width = max - min + 1;
  if (width != 256 && width != 65536) return std::nullopt;
  return min + ((value - min) % width + width) % width;
}

struct noted_record {
  std::string record;
  std::int32_t line = 0;
  std::vector<std::int64_t> values;
  std::int32_t end_line = 0;  // the line of its last value
};

struct comment_note_copy {
  std::string field;
  std::int32_t line;
  field_place place;
};

struct placed_object {
  source_file file;
  std::int32_t line;
};

// Listens to both readings, lets them go on after a bad record and gathers
// the warnings that a field or a record gives on its own.
class check_listener final : public reading_observer {
 public:
  check_listener(std::string line_file, std::string train_file)
      : line_file_(std::move(line_file)), train_file_(std::move(train_file)) {}

  bool resumes() const override { return true; }

  void keyword_field(const keyword_note& note) override {
    const source_file file = file_of(note.file);
    file_state& state = states_[static_cast<int>(file)];
    const std::span<const keyword_test> own = own_tests(file, note.place);
    const std::span<const keyword_test> other = other_tests(file, note.place);
    const int own_matches = matching(own, note.field);
    const bool follows_record = state.previous_matched;
    state.previous_matched = own_matches > 0 && note.place != field_place::before_general;
    state.keyword = note.field;
    const std::optional<comment_note_copy> comment = std::exchange(state.comment, std::nullopt);
    if (comment && commented_record(file, state, *comment, note)) return;
    if (note.place == field_place::before_general) {
      if (own_matches + matching(other, note.field) > 0)
        state.before_general.push_back(
            finding(file, note.line, "misplaced-record",
                    in_quotes(note.field) + " stands before \"[generale]\", where nothing is read"));
      return;
    }
    if (note.tested_comment) {
      report(file, note.line, "comment-run",
             "comment " + in_quotes(note.field) +
                 " follows the longest run of comment fields that is skipped, "
                 "so it is read as a keyword field");
      if (own_matches == 0) return;
    }
    if (own_matches > 1)
      report(file, note.line, "multiple-records",
             in_quotes(note.field) + " starts " + std::to_string(own_matches) + " records in turn (" +
                 matched_names(own, note.field) + ")");
    if (own_matches > 0 && state.fine_line > 0 && !state.after_end_given) {
      state.after_end_given = true;
      report(file, note.line, "after-end",
             in_quotes(note.field) + " stands after \"[fine]\" (" + where(state.fine_line) + "); it is still read");
    }
    if (note.line == state.lost_rest_line && !note.tested_comment) return;  // told already
    if (comment && comment->line == note.line && !note.tested_comment) {
      state.lost_rest_line = note.line;
      report(file, note.line, "comma-in-comment",
             "the comment " + in_quotes(comment->field) + " goes on after a comma: " + in_quotes(note.field) +
                 " is read as a keyword field; a comment cannot hold a comma");
      if (own_matches == 0) return;
    }
    if (follows_record && note.line == state.last_record.end_line && cut_short(file, state, note, own_matches)) return;
    if (own_matches > 0) return;
    unmatched_field(file, state, note, other, follows_record);
  }

  void comment_field(const comment_note& note) override {
    file_state& state = states_[static_cast<int>(file_of(note.file))];
    state.comment = comment_note_copy{std::string(note.field), note.line, note.place};
  }

  void value_wrapped(const wrap_note& note) override {
    std::string message = "the " + std::string(note.what) + " " + std::to_string(note.value) +
                          " cannot be stored as written: its field keeps " + std::to_string(note.min) + " to " +
                          std::to_string(note.max);
    if (const auto stored = wrapped(note.value, note.min, note.max))
      message += ", so it would be stored as " + std::to_string(*stored);
    report(file_of(note.file), note.line, "value-wraps", message);
  }

  void record_read(const record_note& note) override {
    const source_file file = file_of(note.file);
    file_state& state = states_[static_cast<int>(file)];
    noted_record record{std::string(note.record), note.line, {note.values.begin(), note.values.end()}, note.end_line};
    if (record.record == "curva") curve_keyword(file, note.line, state.keyword);
    records_[static_cast<int>(file)].push_back(record);
    state.last_record = std::move(record);
  }

  // Every object but a station's stopping point goes only onto a free cell,
  // so an object replaced is one that a stopping point swallows.
  void object_placed(std::int64_t cell, std::string_view file_name, std::int32_t line,
                     std::uint8_t previous_type) override {
    const source_file file = file_of(file_name);
    if (!is_free(track_cell{previous_type})) {
      const auto earlier = objects_.find(cell);
      std::string message = "the " + std::string(object_kind_name(cell_kind::stopping_point)) + " on cell " +
                            std::to_string(cell) + " replaces the " + object_kind_name(previous_type);
      if (earlier != objects_.end()) message += " placed there by " + where(earlier->second.line);
      if (earlier != objects_.end() && earlier->second.file != file)
        message += " of " + std::string(folder_name(earlier->second.file));
      report(file, line, "overlap", message);
    }
    objects_[cell] = {file, line};
  }

  // The line of the record that put an object on `cell`.
  std::optional<placed_object> object_on(std::int64_t cell) const {
    const auto found = objects_.find(cell);
    if (found == objects_.end()) return std::nullopt;
    return found->second;
  }

  source_file file_of(std::string_view name) const {
    return name == train_file_ ? source_file::train : source_file::line;
  }

  // The findings that need the whole file: order, spans and times; the
  // records before "[generale]", told one by one when the file has one.
  void finish(std::int64_t route_length_m, const std::array<bool, 2>& has_general) {
    for (source_file file : {source_file::line, source_file::train}) {
      file_state& state = states_[static_cast<int>(file)];
      if (has_general[static_cast<int>(file)])
        findings.insert(findings.end(), state.before_general.begin(), state.before_general.end());
      const auto& records = records_[static_cast<int>(file)];
      for (std::size_t i = 0; i < records.size(); ++i) {
        const noted_record& r = records[i];
        const bool overlapping = is_span(r.record) && overlap(file, records, i);
        if (!overlapping) order(file, records, i);
        if (is_span(r.record)) span_shape(file, r, route_length_m);
      }
      station_times(file, records);
    }
  }

  std::vector<check_finding> findings;

 private:
  struct file_state {
    bool previous_matched = false;  // the last keyword field read a record
    std::int32_t fine_line = 0;
    bool after_end_given = false;
    std::string keyword;                        // the last keyword field
    noted_record last_record;                   // the last record read
    std::optional<comment_note_copy> comment;   // the comment passed over just before
    std::int32_t lost_rest_line = 0;            // a line whose rest is told as lost already
    std::vector<check_finding> before_general;  // records standing before "[generale]"
  };

  // A comment field that holds a record keyword and is followed by a number:
  // a record the author wrote with a dash, and lost.
  bool commented_record(source_file file, file_state& state, const comment_note_copy& comment,
                        const keyword_note& next) {
    if (!is_numeric(next.field) || comment.place == field_place::before_general) return false;
    const std::span<const keyword_test> own = own_tests(file, comment.place);
    const std::span<const keyword_test> other = other_tests(file, comment.place);
    const std::string names = matched_names(own, comment.field) + matched_names(other, comment.field);
    if (names.empty()) return false;
    state.lost_rest_line = comment.line;
    report(file, comment.line, "commented-record",
           in_quotes(comment.field) + " holds the keyword of \"" + names +
               "\", but its \"-\" makes it a comment: the record is skipped and its values are read as keyword "
               "fields");
    return true;
  }

  // A field on the line where the last record's values ended: the rest of
  // a text or of a number that a comma cut. True when nothing more is to be
  // said of the field.
  bool cut_short(source_file file, file_state& state, const keyword_note& note, int own_matches) {
    const noted_record& r = state.last_record;
    if (ends_with_text(r.record)) {
      // A record after the text on the same line is read as written.
      if (own_matches > 0 || is_blank(note.field) || is_header(note.field)) return false;
      state.lost_rest_line = note.line;
      report(file, note.line, "text-comma",
             "the text of the \"" + r.record + "\" record ends at a comma: " + in_quotes(note.field) +
                 " is read as a keyword field; a text cannot hold a comma");
      return true;
    }
    if (r.values.empty() || !is_thousands_group(note.field)) return false;
    report(file, note.line, "split-number",
           "\"" + r.record + "\" reads " + std::to_string(r.values.back()) + ", and " + in_quotes(note.field) +
               " after the comma is read as a keyword field: write numbers without a thousands separator");
    return true;
  }

  // The side and the class of a curve come from single letters and digits
  // anywhere in its keyword: words that say otherwise are a mistake.
  void curve_keyword(source_file file, std::int32_t line, std::string_view keyword) {
    const std::string k = lower_case(keyword);
    const std::size_t after = k.find("curva");
    const std::size_t letter = after == std::string::npos ? after : k.find_first_not_of(" _", after + 5);
    const bool says_right = contains(k, "destr") || (letter != std::string::npos && k[letter] == 'd');
    if (says_right && contains(k, "s"))
      report(file, line, "curve-keyword",
             in_quotes(keyword) +
                 " is read as a left curve: an \"s\" anywhere in a curve keyword makes it left; write \"curvad\" "
                 "and the class digit for a right curve");
    std::string digits;
    for (char d = '1'; d <= '6'; ++d)
      if (k.find(d) != std::string::npos) digits += d;
    if (digits.size() > 1)
      report(file, line, "curve-keyword",
             in_quotes(keyword) + " holds the class digits " + digits + ": it is read as class " + digits[0] +
                 ", the lowest of them");
  }

  static std::span<const keyword_test> own_tests(source_file file, field_place place) {
    if (file == source_file::train) return train_record_tests();
    return place == field_place::general_section ? general_record_tests() : line_record_tests();
  }
  static std::span<const keyword_test> other_tests(source_file file, field_place place) {
    if (file == source_file::train) return {};
    return place == field_place::general_section ? line_record_tests() : general_record_tests();
  }

  void unmatched_field(source_file file, file_state& state, const keyword_note& note,
                       std::span<const keyword_test> other, bool follows_record) {
    const std::string_view field = note.field;
    if (field.find_first_not_of(" \t") == std::string_view::npos) return;
    if (is_header(field)) {
      if (contains_any_case(field, "[fine]") && state.fine_line == 0) state.fine_line = note.line;
      return;
    }
    if (is_numeric(field)) {
      if (follows_record)
        report(file, note.line, "extra-value",
               in_quotes(field) + " follows the values of the record before it and is ignored: one value too many?");
      return;
    }
    if (matching(other, field) > 0) {
      report(file, note.line, "misplaced-record",
             note.place == field_place::general_section
                 ? in_quotes(field) + " is a line record inside the general section, where it is not read"
                 : in_quotes(field) + " is a general record after the general section, where it is not read");
      return;
    }
    const std::string folded = lower_case(field);
    if (folded != field && matching(own_tests(file, note.place), folded) > 0) {
      report(file, note.line, "keyword-case",
             in_quotes(field) +
                 " matches no record keyword and is ignored: this keyword must be written in small "
                 "letters");
      return;
    }
    report(file, note.line, "unknown-keyword", in_quotes(field) + " matches no record keyword: the record is lost");
  }

  // The records whose first value is a position along the route.
  static bool is_positioned(std::string_view record) {
    for (std::string_view r : {"pendenza", "curva", "montagna", "indicatori_vmax", "cartello_indicatore", "velocita",
                               "aderenza", "segnale", "rallentamento", "abbattimento"})
      if (record == r) return true;
    return false;
  }
  static bool is_span(std::string_view record) {
    return record == "curva" || record == "montagna" || record == "rallentamento";
  }
  static const char* span_name(std::string_view record) {
    return record == "curva" ? "curve" : record == "montagna" ? "mountain span" : "slowdown";
  }
  // A span's start and end in metres.
  static std::pair<std::int64_t, std::int64_t> extent(const noted_record& r) {
    if (r.record == "montagna") return {r.values[0], r.values[1]};
    return {r.values[0], r.values[0] + (r.record == "curva" ? r.values[1] : r.values[2])};
  }

  bool overlap(source_file file, const std::vector<noted_record>& records, std::size_t i) {
    const noted_record& r = records[i];
    const auto [start, end] = extent(r);
    if (end <= start) return false;
    for (std::size_t j = 0; j < i; ++j) {
      if (records[j].record != r.record) continue;
      const auto [other_start, other_end] = extent(records[j]);
      if (other_end <= other_start || start >= other_end || other_start >= end) continue;
      const bool inside = start >= other_start && end <= other_end;
      report(file, r.line, "overlap",
             std::string("the ") + span_name(r.record) + " from " + std::to_string(start) + " to " +
                 std::to_string(end) + (inside ? " lies wholly inside" : " overlaps") + " the one from " +
                 std::to_string(other_start) + " to " + std::to_string(other_end) + " (" + where(records[j].line) +
                 ")");
      return true;
    }
    return false;
  }

  void order(source_file file, const std::vector<noted_record>& records, std::size_t i) {
    const noted_record& r = records[i];
    if (r.record == "stazione") return;  // a station out of order is already diagnostic 22
    if (!is_positioned(r.record)) return;
    const bool profile = r.record == "pendenza" || r.record == "velocita" || r.record == "aderenza";
    for (std::size_t j = i; j-- > 0;) {
      if (records[j].record != r.record) continue;
      const std::int64_t previous = records[j].values[0];
      if (r.values[0] < previous || (profile && r.values[0] == previous))
        report(file, r.line, "position-order",
               "\"" + r.record + "\" at " + std::to_string(r.values[0]) +
                   (r.values[0] < previous ? " comes after the one at " : " repeats the position of the one at ") +
                   std::to_string(previous) + " (" + where(records[j].line) + ")");
      return;
    }
  }

  void span_shape(source_file file, const noted_record& r, std::int64_t route_length_m) {
    const auto [start, end] = extent(r);
    const std::string name = span_name(r.record);
    bool covers_nothing = end < start;
    if (r.record == "montagna") covers_nothing = cell_of(end, -1) < cell_of(start, 0);
    if (r.record == "rallentamento") covers_nothing = cell_of(end, 1) <= cell_of(start, 1);
    if (r.record == "curva") covers_nothing = end <= start;
    if (covers_nothing) {
      std::string message = "the " + name + " from " + std::to_string(start) + " ends at " + std::to_string(end);
      if (end < start) message += ", before it starts";
      else if (r.record == "rallentamento") message += ", on its start cell, so it has no end";
      else if (r.record == "montagna") message += " and covers no cell";
      else message += ": it has no length";
      report(file, r.line, "reversed-span", message);
    }
    if (end > route_length_m)
      report(file, r.line, "past-route-end",
             "the " + name + " from " + std::to_string(start) + " to " + std::to_string(end) +
                 " reaches past the end of the route at " + std::to_string(route_length_m));
  }

  void station_times(source_file file, const std::vector<noted_record>& records) {
    std::int64_t last = 0;
    std::int32_t last_line = 0;
    for (const noted_record& r : records) {
      if (r.record != "stazione") continue;
      const std::int64_t time = (r.values[13] * 60 + r.values[14]) * 60 + r.values[15];
      if (time == 0) continue;  // a station without a timetable time
      if (time < last)
        report(file, r.line, "station-times",
               "the station's time " + clock_text(time) + " is earlier than " + clock_text(last) +
                   " of the station before it (" + where(last_line) + ")");
      last = time;
      last_line = r.line;
    }
  }

  static std::string clock_text(std::int64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
  }

  static check_finding finding(source_file file, std::int32_t line, std::string_view name, std::string message) {
    return {file, folder_line(line), name, find_finding_kind(name)->level, std::move(message), 0};
  }
  // A finding of kind `name`, an error or a warning as the kind is.
  void report(source_file file, std::int32_t line, std::string_view name, std::string message) {
    findings.push_back(finding(file, line, name, std::move(message)));
  }

  std::string line_file_, train_file_;
  std::array<file_state, 2> states_{};
  std::array<std::vector<noted_record>, 2> records_;
  std::map<std::int64_t, placed_object> objects_;
};

std::string written_text(std::span<const std::string_view> lines) {
  text_line_table table;
  if (!table.fill(lines)) return {};  // a scenario folder never holds such lines
  return table.file_text();
}

// True when a line of `source` holds the field that opens its records.
bool holds_general(std::span<const std::string_view> source) {
  return std::any_of(source.begin(), source.end(),
                     [](std::string_view line) { return contains_any_case(line, "[generale]"); });
}

// True when a field after "[generale]" starts a train record (whether or not
// the reading gets that far).
bool holds_record(std::span<const std::string_view> source) {
  bool after_general = false;
  for (std::string_view line : source) {
    std::size_t start = 0;
    while (start <= line.size()) {
      const std::size_t comma = std::min(line.find(',', start), line.size());
      const std::string_view field = line.substr(start, comma - start);
      if (after_general && !contains(field, "-") && matching(train_record_tests(), field) > 0) return true;
      after_general = after_general || contains_any_case(field, "[generale]");
      start = comma + 1;
    }
  }
  return false;
}

// The line of a header that looks like a misspelt "[generale]", else 0.
std::int32_t general_lookalike(std::span<const std::string_view> source) {
  for (std::size_t i = 0; i < source.size(); ++i)
    if (contains_any_case(source[i], "[gen")) return static_cast<std::int32_t>(i + 1);
  return 0;
}

}  // namespace

std::span<const finding_kind> check_finding_kinds() { return finding_kinds; }

const finding_kind* find_finding_kind(std::string_view name) {
  for (const finding_kind& kind : finding_kinds)
    if (kind.name == name) return &kind;
  return nullptr;
}

std::vector<check_finding> check_scenario(const scenario_text& scenario) {
  scenario_model model;
  model.line_name = scenario.line_name;
  model.train_number = scenario.train_number;
  model.with_plan = true;  // as every build
  std::vector<logged_diagnostic> log;
  model.diagnostic_log = &log;
  memory_source_files files;
  files.files[line_source_name(model)] = written_text(scenario.line_source);
  files.files[train_source_name(model)] = written_text(scenario.train_source);

  check_listener listener(line_source_name(model), train_source_name(model));
  compile_sources(model, files, &listener);
  const char* refusal = nullptr;
  if (model.has_cells()) {
    post_process_track(model);
    refusal = stamp_model(model);
  }

  std::vector<check_finding> errors;
  for (const logged_diagnostic& d : log) {
    check_finding error{listener.file_of(d.site.file),
                        folder_line(d.site.line),
                        {},
                        severity::error,
                        diagnostic_text(d.code, d.site),
                        d.code};
    if (d.site.object_cell >= 0) {
      if (const auto object = listener.object_on(d.site.object_cell)) {
        error.file = object->file;
        error.line = folder_line(object->line);
      }
    }
    errors.push_back(std::move(error));
  }
  if (!model.has_cells())
    errors.push_back({source_file::line,
                      0,
                      {},
                      severity::error,
                      "no usable route length, so there is no track: a build writes no binary file",
                      0});
  if (refusal != nullptr) {
    const auto object = listener.object_on(1);
    errors.push_back({object ? object->file : source_file::line,
                      object ? folder_line(object->line) : 0,
                      {},
                      severity::error,
                      "Errore n. " + std::string(refusal) +
                          ": a source put something in a reserved field of cell 1 or item 85; a build stops here",
                      refusal[3] == '0' ? 1250 : 1251});
  }
  const std::array<bool, 2> has_general{holds_general(scenario.line_source), holds_general(scenario.train_source)};
  listener.finish(model.items[84].end_m, has_general);
  const bool train_empty = std::all_of(scenario.train_source.begin(), scenario.train_source.end(), is_blank);
  if (train_empty)
    errors.push_back({source_file::train, 0, "no-records", severity::error,
                      "treno.txt is empty: the train gets no speed limit, no adhesion and no station", 0});
  else if (!has_general[1])
    errors.push_back({source_file::train, general_lookalike(scenario.train_source), "no-records", severity::error,
                      "no field holds \"[generale]\", so nothing in treno.txt is read: the train gets no speed "
                      "limit, no adhesion and no station",
                      0});
  else if (!holds_record(scenario.train_source))
    errors.push_back({source_file::train, 0, "no-records", severity::error,
                      "treno.txt holds no record: the train gets no speed limit, no adhesion and no station", 0});
  errors.insert(errors.end(), listener.findings.begin(), listener.findings.end());
  return errors;
}

std::string finding_location(const std::string& folder, const check_finding& finding) {
  return file_location(folder_file_path(folder, folder_name(finding.file)), finding.line);
}

void order_findings(std::vector<check_finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const check_finding& a, const check_finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  std::vector<check_finding> unique;
  for (check_finding& f : findings)
    if (std::find(unique.begin(), unique.end(), f) == unique.end()) unique.push_back(std::move(f));
  findings = std::move(unique);
}

}  // namespace compila
