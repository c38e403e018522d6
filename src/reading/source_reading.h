// What both source compilers share: the field reader over the file's text,
// the keyword field with the line it stands on, and the recording of a
// diagnostic together with the place in the file where it arose.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/scenario_model.h"
#include "reading/field_reader.h"
#include "reading/reading_observer.h"

namespace compila {

// How a record leaves the reading.
enum class record_step {
  go_on,         // read the next keyword field
  stop_reading,  // a position beyond the track (15): the reading ends softly
  failure_exit,  // a failed record: `compile_sources` ends
  fault_exit,    // a read failure (25): `compile_sources` ends
};

// One record test of a source file: the record's shipped keyword and the
// test made on a keyword field. The readers apply their tests in table order.
struct keyword_test {
  std::string_view record;
  bool (*matches)(std::string_view field);
};

// One record of a part of a source file: its keyword test and the method of
// `Reader` that reads the record's values and applies them.
template <typename Reader>
struct record_entry {
  keyword_test test;
  record_step (Reader::*read)();
};

// The keyword tests of a record table, in the table's order.
template <typename Reader, std::size_t count>
constexpr std::array<keyword_test, count> keyword_tests_of(const std::array<record_entry<Reader>, count>& records) {
  std::array<keyword_test, count> tests{};
  for (std::size_t i = 0; i < count; ++i) tests[i] = records[i].test;
  return tests;
}

// How the reading of one source file ended.
enum class reading_end { complete, failure_exit, fault_exit };

class source_reading {
 protected:
  // `folder_file` is the name the author knows the file by ("linea.txt").
  source_reading(scenario_model& model, std::string_view text, std::string file_name, std::string_view folder_file,
                 reading_observer* observer)
      : model_(model),
        reader_(text),
        file_name_(std::move(file_name)),
        folder_file_(folder_file),
        observer_(observer) {}

  // Reads the next field as the keyword field into `current_line`.
  void read_keyword();
  const std::string& keyword() const { return keyword_; }

  bool in_track(std::int64_t cell) const { return cell >= 0 && cell <= model_.cell_count; }

  // The record loop of both source files: reads keyword fields to the end of
  // the file, never interpreting the last one, passes over up to two comment
  // fields in a row (a third is tested) and applies `records` to the others.
  // A position beyond the track ends the loop softly (go_on); a failure or a
  // fault ends it with its step.
  // A resuming reading goes on with the next line instead (see reading_observer).
  template <typename Records>
  record_step read_record_loop(Records&& records) {
    while (!reader_.at_end()) {
      read_keyword();
      if (reader_.at_end()) break;
      for (int skipped = 0; skipped < 2 && contains(keyword(), "-"); ++skipped) {
        note_comment(field_place::record_part);
        read_keyword();
        if (reader_.at_end()) return record_step::go_on;
      }
      note_keyword(field_place::record_part);
      const record_step step = records();
      if (step == record_step::go_on) continue;
      if (resuming()) {
        reader_.resume_at_next_line(keyword_line_);
        continue;
      }
      if (step == record_step::stop_reading) return record_step::go_on;
      return step;
    }
    return record_step::go_on;
  }

  // Applies, in table order, every record whose test matches the keyword
  // field: a field may hold several keywords, each record then reads its own
  // values. The first record that does not go on ends the field.
  template <typename Reader, std::size_t count>
  record_step read_matching_records(const std::array<record_entry<Reader>, count>& records) {
    const std::string field = keyword();
    for (const record_entry<Reader>& record : records) {
      if (!record.test.matches(field)) continue;
      const record_step step = (static_cast<Reader&>(*this).*record.read)();
      if (step != record_step::go_on) return step;
    }
    return record_step::go_on;
  }

  bool resuming() const { return observer_ != nullptr && observer_->resumes(); }
  // What the observer, if any, is told.
  void note_keyword(field_place place) const;
  // The keyword field now held is a comment and is passed over.
  void note_comment(field_place place) const;
  void note_record(std::string_view record, std::span<const std::int64_t> values) const;
  template <std::size_t count>
  void note_record(std::string_view record, const std::array<std::int32_t, count>& values) const {
    std::array<std::int64_t, count> wide;
    for (std::size_t i = 0; i < count; ++i) wide[i] = values[i];
    note_record(record, wide);
  }
  // Before an object is written on `cell`: the model keeps which record
  // placed it, and the observer is told.
  void note_object(std::int64_t cell);
  // A value the record stores in a field that keeps it only from `min` to
  // `max`; outside, it is stored wrapped, and the observer is told.
  void note_stored(std::string_view what, std::int64_t value, std::int64_t min, std::int64_t max) const;
  // For a record that finds `cell` taken: "which is not free: it holds ...".
  std::string not_free(std::int64_t cell) const;

  // Each records its diagnostic at the current keyword and returns the step
  // that the record then takes.
  record_step fail(std::int32_t code, std::string detail);
  record_step fault(std::string detail);
  record_step fault_at(std::int32_t line, std::string keyword, std::string detail);
  record_step beyond_track(std::int64_t position_m);
  // go_on when every value of the record was read, else the read failure.
  record_step values_read();
  // A cell index outside the track, met inside the reading, is a read fault.
  record_step outside_track(const char* what, std::int64_t cell);

  scenario_model& model_;
  field_reader reader_;
  std::string file_name_;
  std::string_view folder_file_;
  reading_observer* observer_;
  std::string keyword_;  // kept apart: a signboard reads its text into `current_line`
  std::int32_t keyword_line_ = 0;
  std::int32_t previous_field_line_ = 0;  // line of the field read before the keyword field
};

}  // namespace compila
