// What a source reading can tell besides what it puts into the model; the
// scenario tool's check listens to it.
//
// Without an observer (the build) the reading is the faithful one. An observer
// only listens, unless `resumes()` is true: then a record that would stop the
// reading is left to its diagnostic (recorded as always) and the reading goes
// on at the start of the next line, or at the field that failed to read when
// that field opens a line below the record's keyword (a record with a value
// missing has swallowed the next record's keyword). So every bad record of a
// file is diagnosed in one reading. A resuming reading never feeds a build.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace compila {

// Where a field read in keyword position stands in its file.
enum class field_place {
  before_general,   // before the first "[generale]": never tested
  general_section,  // the line source's general section: general records only
  record_part,      // line records in the line source, every record in the train source
};

struct keyword_note {
  std::string_view file;  // the source file's name
  std::string_view field;
  std::int32_t line;
  field_place place;
  // A comment field that is tested all the same, because the comment fields
  // skipped before it in a row reached the limit.
  bool tested_comment;
  std::int32_t previous_field_line;  // line on which the field before it begins
};

// A keyword field that holds "-" and is passed over as a comment.
struct comment_note {
  std::string_view file;
  std::string_view field;
  std::int32_t line;
  field_place place;
};

struct record_note {
  std::string_view file;
  std::string_view record;               // the record's shipped keyword: "pendenza", "stazione", ...
  std::int32_t line;                     // the line of its keyword field
  std::span<const std::int64_t> values;  // its numbers as read, in file order
  std::int32_t end_line;                 // the line of its last value
};

// A value stored in a field too narrow for it: it is kept wrapped.
struct wrap_note {
  std::string_view file;
  std::int32_t line;
  std::string_view what;  // "gradient", "tunnel kind", ...
  std::int64_t value;
  std::int64_t min, max;  // what the field keeps as written
};

class reading_observer {
 public:
  virtual ~reading_observer() = default;
  // True to go on reading after a record that stops the reading.
  virtual bool resumes() const { return false; }
  // A field read where a record may start, before the record tests.
  virtual void keyword_field(const keyword_note&) {}
  // A comment field passed over where a record may start.
  virtual void comment_field(const comment_note&) {}
  // A record whose values were all read, before they are checked or stored.
  virtual void record_read(const record_note&) {}
  // An object is put on `cell` by the record at `line` of `file`;
  // `previous_type` is the cell's type before it.
  virtual void object_placed(std::int64_t /*cell*/, std::string_view /*file*/, std::int32_t /*line*/,
                             std::uint8_t /*previous_type*/) {}
  // A value the record stores wrapped.
  virtual void value_wrapped(const wrap_note&) {}
};

}  // namespace compila
