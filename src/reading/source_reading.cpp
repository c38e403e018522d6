#include "reading/source_reading.h"

#include "model/error_kinds.h"

namespace compila {

void source_reading::read_keyword() {
  keyword_ = reader_.read_text();
  keyword_line_ = reader_.field_line();
  model_.current_line = keyword_;
}

void source_reading::note_keyword(field_place place) const {
  if (observer_ != nullptr)
    observer_->keyword_field({file_name_, keyword_, keyword_line_, place, contains(keyword_, "-")});
}

void source_reading::note_record(std::string_view record, std::span<const std::int64_t> values) const {
  if (observer_ != nullptr) observer_->record_read({file_name_, record, keyword_line_, values});
}

void source_reading::note_object(std::int64_t cell) const {
  if (observer_ != nullptr && in_track(cell))
    observer_->object_placed(cell, file_name_, keyword_line_, model_.cells[static_cast<std::size_t>(cell)].cell_type);
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
  record_diagnostic(model_, error_kinds::read_failure,
                    {file_name_, reader_.failure_line(), keyword(), reader_.failure()});
  return record_step::fault_exit;
}

record_step source_reading::outside_track(const char* what, std::int64_t cell) {
  return fault(std::string(what) + " would fall on cell " + std::to_string(cell) + ", outside the track (cells 0 to " +
               std::to_string(model_.cell_count) + ")");
}

}  // namespace compila
