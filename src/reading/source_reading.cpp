#include "reading/source_reading.h"

#include "model/diagnostics.h"
#include "model/error_kinds.h"

namespace compila {

void source_reading::read_keyword() {
  previous_field_line_ = reader_.field_line();
  keyword_ = reader_.read_text();
  keyword_line_ = reader_.field_line();
  model_.current_line = keyword_;
}

void source_reading::note_keyword(field_place place) const {
  if (observer_ != nullptr)
    observer_->keyword_field(
        {file_name_, keyword_, keyword_line_, place, contains(keyword_, "-"), previous_field_line_});
}

void source_reading::note_comment(field_place place) const {
  if (observer_ != nullptr) observer_->comment_field({file_name_, keyword_, keyword_line_, place});
}

void source_reading::note_record(std::string_view record, std::span<const std::int64_t> values) const {
  if (observer_ != nullptr) observer_->record_read({file_name_, record, keyword_line_, values, reader_.field_line()});
}

void source_reading::note_object(std::int64_t cell) {
  if (!in_track(cell)) return;
  model_.placed_objects.push_back({cell, folder_file_, keyword_line_});
  if (observer_ != nullptr)
    observer_->object_placed(cell, file_name_, keyword_line_, model_.cells[static_cast<std::size_t>(cell)].cell_type);
}

void source_reading::note_stored(std::string_view what, std::int64_t value, std::int64_t min, std::int64_t max) const {
  if (observer_ != nullptr && (value < min || value > max))
    observer_->value_wrapped({file_name_, keyword_line_, what, value, min, max});
}

std::string source_reading::not_free(std::int64_t cell) const {
  return "which is not free: " + occupant_text(model_, cell);
}

record_step source_reading::fail(std::int32_t code, std::string detail) {
  record_diagnostic(model_, code, {file_name_, keyword_line_, keyword(), std::move(detail)});
  return record_step::failure_exit;
}

record_step source_reading::fault(std::string detail) { return fault_at(keyword_line_, keyword(), std::move(detail)); }

record_step source_reading::fault_at(std::int32_t line, std::string keyword, std::string detail) {
  record_diagnostic(model_, error_kinds::read_failure, {file_name_, line, std::move(keyword), std::move(detail)});
  return record_step::fault_exit;
}

record_step source_reading::beyond_track(std::int64_t position_m) {
  record_diagnostic(model_, error_kinds::beyond_track,
                    {file_name_, keyword_line_, keyword(),
                     "position " + std::to_string(position_m) + " lies beyond the track (last cell " +
                         std::to_string(model_.cell_count) + ")"});
  return record_step::stop_reading;
}

record_step source_reading::values_read() {
  if (!reader_.failed()) return record_step::go_on;
  // A record short of a value reads the next record's keyword in its place:
  // the record's own line is the one to look at.
  std::string detail = reader_.failure();
  if (reader_.failure_line() != keyword_line_)
    detail += " (line " + std::to_string(reader_.failure_line()) + "): is a value of the record missing?";
  record_diagnostic(model_, error_kinds::read_failure, {file_name_, keyword_line_, keyword(), std::move(detail)});
  return record_step::fault_exit;
}

record_step source_reading::outside_track(const char* what, std::int64_t cell) {
  return fault(std::string(what) + " would fall on cell " + std::to_string(cell) + ", outside the track (cells 0 to " +
               std::to_string(model_.cell_count) + ")");
}

}  // namespace compila
