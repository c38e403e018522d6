#include "tool/check/scenario_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

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

constexpr std::array<warning_kind, 11> warnings{{
    {"unknown-keyword", "a field where a record should start matches no record keyword"},
    {"misplaced-record",
     "a record where it is not read: before \"[generale]\", or in the wrong part of the line source"},
    {"after-end", "a record after \"[fine]\""},
    {"comment-run", "a third comment field in a row, read as a keyword field"},
    {"extra-value", "a number after a record's last value"},
    {"multiple-records", "a keyword field that starts two or more records"},
    {"position-order", "a position before the previous record of the same kind"},
    {"station-times", "a station's time earlier than the station before it"},
    {"past-route-end", "a curve, mountain span or slowdown reaching past the end of the route"},
    {"overlap", "spans of one kind that overlap or swallow one another; a station's stopping point over an object"},
    {"reversed-span", "a curve, mountain span or slowdown that ends before it starts, or covers no cell"},
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

const char* cell_kind_name(std::uint8_t type) {
  switch (type) {
    case cell_kind::signal: return "signal";
    case cell_kind::slowdown_end: return "slowdown end";
    case cell_kind::slowdown_start: return "slowdown start";
    case cell_kind::warning_board: return "slowdown warning board";
    case cell_kind::countdown: return "slowdown countdown cell";
    case cell_kind::speed_board: return "speed indicator board";
    case cell_kind::stopping_point: return "stopping point";
    case cell_kind::reduction_with_value:
    case cell_kind::reduction_without_value: return "reduction point";
    case cell_kind::signboard: return "signboard";
    default: return "object";
  }
}

struct noted_record {
  std::string record;
  std::int32_t line;
  std::vector<std::int64_t> values;
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
    if (note.place == field_place::before_general) {
      if (own_matches + matching(other, note.field) > 0)
        warn(file, note.line, "misplaced-record",
             in_quotes(note.field) + " stands before \"[generale]\", where nothing is read");
      return;
    }
    if (note.tested_comment) {
      warn(file, note.line, "comment-run",
           "comment " + in_quotes(note.field) +
               " follows the longest run of comment fields that is skipped, "
               "so it is read as a keyword field");
      if (own_matches == 0) return;
    }
    if (own_matches > 1)
      warn(file, note.line, "multiple-records",
           in_quotes(note.field) + " starts " + std::to_string(own_matches) + " records in turn (" +
               matched_names(own, note.field) + ")");
    if (own_matches > 0) {
      if (state.fine_line > 0 && !state.after_end_given) {
        state.after_end_given = true;
        warn(file, note.line, "after-end",
             in_quotes(note.field) + " stands after \"[fine]\" (" + where(state.fine_line) + "); it is still read");
      }
      return;
    }
    unmatched_field(file, state, note, other, follows_record);
  }

  void record_read(const record_note& note) override {
    records_[static_cast<int>(file_of(note.file))].push_back(
        {std::string(note.record), note.line, {note.values.begin(), note.values.end()}});
  }

  // Every object but a station's stopping point goes only onto a free cell,
  // so an object replaced is one that a stopping point swallows.
  void object_placed(std::int64_t cell, std::string_view file_name, std::int32_t line,
                     std::uint8_t previous_type) override {
    const source_file file = file_of(file_name);
    if (!is_free(track_cell{previous_type})) {
      const auto earlier = objects_.find(cell);
      std::string message = "the " + std::string(cell_kind_name(cell_kind::stopping_point)) + " on cell " +
                            std::to_string(cell) + " replaces the " + cell_kind_name(previous_type);
      if (earlier != objects_.end()) message += " placed there by " + where(earlier->second.line);
      if (earlier != objects_.end() && earlier->second.file != file)
        message += " of " + std::string(folder_name(earlier->second.file));
      warn(file, line, "overlap", message);
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

  // The warnings that need the whole file: order, spans and times.
  void finish(std::int64_t route_length_m) {
    for (source_file file : {source_file::line, source_file::train}) {
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
  };

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
        warn(file, note.line, "extra-value",
             in_quotes(field) + " follows the values of the record before it and is ignored: one value too many?");
      return;
    }
    if (matching(other, field) > 0) {
      warn(file, note.line, "misplaced-record",
           note.place == field_place::general_section
               ? in_quotes(field) + " is a line record inside the general section, where it is not read"
               : in_quotes(field) + " is a general record after the general section, where it is not read");
      return;
    }
    std::string message = in_quotes(field) + " matches no record keyword and is ignored";
    const std::string folded = lower_case(field);
    if (folded != field && matching(own_tests(file, note.place), folded) > 0)
      message += "; this keyword must be written in small letters";
    warn(file, note.line, "unknown-keyword", message);
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
      warn(file, r.line, "overlap",
           std::string("the ") + span_name(r.record) + " from " + std::to_string(start) + " to " + std::to_string(end) +
               (inside ? " lies wholly inside" : " overlaps") + " the one from " + std::to_string(other_start) +
               " to " + std::to_string(other_end) + " (" + where(records[j].line) + ")");
      return true;
    }
    return false;
  }

  void order(source_file file, const std::vector<noted_record>& records, std::size_t i) {
    const noted_record& r = records[i];
    if (r.record == "stazione") return;  // a station out of order is already diagnostic 22
    const bool profile = r.record == "pendenza" || r.record == "velocita" || r.record == "aderenza";
    for (std::size_t j = i; j-- > 0;) {
      if (records[j].record != r.record) continue;
      const std::int64_t previous = records[j].values[0];
      if (r.values[0] < previous || (profile && r.values[0] == previous))
        warn(file, r.line, "position-order",
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
      warn(file, r.line, "reversed-span", message);
    }
    if (end > route_length_m)
      warn(file, r.line, "past-route-end",
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
        warn(file, r.line, "station-times",
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

  void warn(source_file file, std::int32_t line, std::string_view name, std::string message) {
    findings.push_back({file, folder_line(line), name, std::move(message), 0});
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

}  // namespace

std::span<const warning_kind> check_warnings() { return warnings; }

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
    errors.push_back(
        {source_file::line, 0, {}, "no usable route length, so there is no track: a build writes no binary file", 0});
  if (refusal != nullptr) {
    const auto object = listener.object_on(1);
    errors.push_back({object ? object->file : source_file::line,
                      object ? folder_line(object->line) : 0,
                      {},
                      "Errore n. " + std::string(refusal) +
                          ": a source put something in a reserved field of cell 1 or item 85; a build stops here",
                      refusal[3] == '0' ? 1250 : 1251});
  }
  listener.finish(model.items[84].end_m);
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
