#include "tool/decompile/decompiler.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>

#include "driver/build_pipeline.h"
#include "format/binary_writer.h"
#include "format/record_fields.h"
#include "model/diagnostics.h"
#include "model/file_names.h"
#include "scenario/scenario_folder.h"
#include "scenario/text_writers.h"
#include "tool/decompile/source_recovery.h"

namespace compila::decompile {
namespace {

// The most rebuilds spent looking for the author's reduction points; each
// round adds every point the last rebuild missed, so two or three suffice.
constexpr int max_search_rounds = 16;
// The most points the closer search decides one by one.
constexpr int max_close_rounds = 64;

using folder_files = memory_scenario_files::files;

std::string lines_text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The build of a folder in memory, as build_from_sources makes it.
struct rebuilt {
  std::optional<std::string> failure;  // why there are no files
  scenario_model model;
  std::array<std::string, document_count> documents;
};

std::string table_text(std::span<const std::string_view> lines) {
  text_line_table table;
  if (!table.fill(lines)) return {};
  return table.file_text();
}

rebuilt rebuild(const folder_files& files) {
  rebuilt result;
  scenario_folder folder;
  std::vector<located_problem> problems;
  if (!folder.load(memory_scenario_files(files), problems)) {
    result.failure = "the decompiled folder breaks a folder rule: " + problem_line(problems.front());
    return result;
  }
  scenario_model& model = result.model;
  const build_result built = build_in_memory(folder.text(), model);
  if (!built.refusal.empty()) {
    result.failure = "the decompiled sources are refused with \" Errore n. " + built.refusal + "\"";
    return result;
  }
  if (built.status == 1) {
    result.failure = !model.has_cells() || built.lines.empty() ? "the decompiled line source gives no route length"
                                                               : built.lines.back();
    return result;
  }
  for (std::size_t d = 0; d < document_count; ++d)
    result.documents[d] = table_text(folder.text().*scenario_files[2 + d].lines);
  return result;
}

bool is_reduction_point(const track_cell& cell) {
  return cell.cell_type == cell_kind::reduction_with_value || cell.cell_type == cell_kind::reduction_without_value;
}

// Cells where the files hold a reduction point that the rebuild does not
// put there: the author's, to be added to the train source.
std::vector<std::int32_t> missing_points(const compiled_scenario& target, const scenario_model& model) {
  std::vector<std::int32_t> missing;
  for (std::int32_t c = 0; c < static_cast<std::int32_t>(target.cells.size()); ++c) {
    const track_cell& want = target.cells[c];
    if (!is_reduction_point(want) || c >= static_cast<std::int32_t>(model.cells.size())) continue;
    const track_cell& got = model.cells[c];
    // param_1 of cell 1 holds the format marker once stamped.
    if (got.cell_type != want.cell_type || (c != 1 && got.param_1 != want.param_1)) missing.push_back(c);
  }
  return missing;
}

// Where two byte strings first differ, or nothing.
std::optional<std::size_t> first_difference(std::span<const std::uint8_t> made, std::string_view original) {
  const std::size_t common = std::min(made.size(), original.size());
  for (std::size_t i = 0; i < common; ++i)
    if (made[i] != static_cast<std::uint8_t>(original[i])) return i;
  if (made.size() != original.size()) return common;
  return std::nullopt;
}

// The field of a record that holds byte `within` of the record.
template <typename Fields>
std::string field_at(const Fields& fields, std::size_t within, std::size_t text_size) {
  std::string name;
  std::size_t offset = 0;
  for_each_field(fields, [&](const auto& field) {
    const std::size_t size = std::remove_cvref_t<decltype(field)>::fixed_size + (field.is_text ? text_size : 0);
    if (name.empty() && within < offset + size) name = std::string(field.name);
    offset += size;
  });
  return name;
}

std::string track_place(std::size_t offset) {
  return "cell " + std::to_string(offset / track_record_size) + " " +
         field_at(track_cell_fields, offset % track_record_size, 0) + ", position " +
         std::to_string(offset / track_record_size * 50);
}

std::string item_place(const scenario_model& model, std::size_t offset) {
  std::size_t start = 0;
  for (int slot = 0; slot < item_slots; ++slot) {
    const std::size_t size = item_record_size_without_text + model.items[slot].text.size();
    if (offset < start + size)
      return "item " + std::to_string(slot) + " " +
             field_at(item_fields, offset - start, model.items[slot].text.size());
    start += size;
  }
  return "past item 86";
}

// The plan value that holds byte `offset` of a line data file: its tags
// give each value's size (2, 4 or 10 bytes).
std::string plan_place(const input_file& file, std::uint64_t offset) {
  byte_window bytes(file);
  std::uint64_t at = 0, value = 0;
  while (const std::uint8_t* tag_bytes = bytes.at(at, 2)) {
    const auto tag = tag_bytes[0] | (tag_bytes[1] << 8);
    const std::uint64_t size = tag == 0 ? 2 : tag == 2 ? 4 : 10;
    if (offset < at + size) break;
    at += size;
    ++value;
  }
  return "plan value " + std::to_string(value) + ", counting the x values and then the y values from 0";
}

// Compares the streamed line data file with the original, piece by piece,
// reading the original only as far as each piece needs.
class comparing_sink : public byte_sink {
 public:
  explicit comparing_sink(const input_file& original) : original_(original) {}
  bool take(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    taken_ += bytes.size();
    for (std::size_t done = 0; done < bytes.size();) {
      const std::uint64_t at = offset + done;
      if (at >= original_.size()) return note(at);
      const std::size_t piece = static_cast<std::size_t>(
          std::min<std::uint64_t>({bytes.size() - done, byte_window::piece_size, original_.size() - at}));
      const std::uint8_t* want = original_.at(at, piece);
      if (want == nullptr) return note(at);
      const auto got = bytes.subspan(done, piece);
      const auto mismatch = std::mismatch(got.begin(), got.end(), want);
      if (mismatch.first != got.end()) return note(at + static_cast<std::uint64_t>(mismatch.first - got.begin()));
      done += piece;
    }
    return true;
  }
  std::optional<std::uint64_t> difference() const {
    if (first_) return first_;
    if (taken_ != original_.size()) return std::min<std::uint64_t>(taken_, original_.size());
    return std::nullopt;
  }
  const std::optional<std::string>& read_error() const { return original_.read_error(); }

 private:
  bool note(std::uint64_t at) {
    if (!first_ || at < *first_) first_ = at;
    return true;
  }
  byte_window original_;
  std::uint64_t taken_ = 0;
  std::optional<std::uint64_t> first_;
};

std::vector<std::string> differences(const build_files& files, const rebuilt& made) {
  std::vector<std::string> found;
  auto report = [&](const input_file& file, std::uint64_t offset, const std::string& place) {
    found.push_back(file.path + ": error: the decompiled sources rebuild this file differently from byte " +
                    std::to_string(offset) + " (" + place + ")");
  };
  comparing_sink plan(files.plan);
  stream_line_data(made.model, plan);
  if (plan.read_error()) found.push_back(files.plan.path + ": error: " + *plan.read_error());
  else if (auto at = plan.difference()) report(files.plan, *at, plan_place(files.plan, *at));
  const byte_buffer items = encode_item_file(made.model);
  if (auto at = first_difference(items, files.items.bytes)) report(files.items, *at, item_place(made.model, *at));
  const byte_buffer track = encode_track_file(made.model);
  if (auto at = first_difference(track, files.track.bytes)) report(files.track, *at, track_place(*at));
  for (std::size_t d = 0; d < document_count; ++d) {
    if (!files.documents[d]) continue;
    const std::string& original = files.documents[d]->bytes;
    const std::string& text = made.documents[d];
    const auto at = first_difference({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, original);
    if (at)
      found.push_back(files.documents[d]->path + ": error: a build writes this document differently from byte " +
                      std::to_string(*at) + ": every line ends in CR LF, at most 1000 lines, no control character");
  }
  return found;
}

class decompiler {
 public:
  explicit decompiler(const build_files& files) : files_(files) {}

  decompiled run() {
    std::vector<input_problem> problems = read_build_files(files_, scenario_);
    for (const input_problem& problem : problems) result_.messages.push_back(problem.message);
    if (!problems.empty() && problems.front().whole) {
      result_.status = 1;
      return std::move(result_);
    }
    if (!problems.empty()) result_.status = 1;
    recover_folder();
    return std::move(result_);
  }

 private:
  void recover_folder() {
    folder_ = fixed_files();
    folder_[std::string(line_source_file.folder_name)] = lines_text(render_source(line_sections(scenario_)));
    const train_recovery train(scenario_);
    std::vector<std::int32_t> authors = train.certain_author_points();
    rebuilt made = with_points(train, authors);
    // First every missing point at once: enough unless an author's point
    // moved one of the build's, which only a closer search tells apart.
    for (int round = 0; round < max_search_rounds && !made.failure; ++round) {
      const std::size_t before = authors.size();
      for (std::int32_t c : missing_points(scenario_, made.model))
        if (std::find(authors.begin(), authors.end(), c) == authors.end()) authors.push_back(c);
      if (authors.size() == before) break;
      made = with_points(train, authors);
    }
    if (!made.failure && first_point_difference(made.model) >= 0) made = closer_search(train);
    judge(made);
    result_.folder.assign(folder_.begin(), folder_.end());
    order_folder();
  }

  rebuilt with_points(const train_recovery& train, std::vector<std::int32_t> authors) {
    std::sort(authors.begin(), authors.end());
    folder_[std::string(train_source_file.folder_name)] = lines_text(render_source(train.sections(authors)));
    return rebuild(folder_);
  }

  // The first cell, in chainage order, where the rebuild's reduction points
  // and those of the files differ; -1 when they agree.
  std::int32_t first_point_difference(const scenario_model& model) const {
    const auto& want = scenario_.cells;
    for (std::int32_t c = 0; c < static_cast<std::int32_t>(want.size()) && c < model.cell_count + 1; ++c) {
      const track_cell& got = model.cells[c];
      if (is_reduction_point(want[c]) != is_reduction_point(got)) return c;
      if (is_reduction_point(got) && (got.cell_type != want[c].cell_type || (c != 1 && got.param_1 != want[c].param_1)))
        return c;
    }
    return -1;
  }

  // One point at a time in chainage order: at the first cell where the files
  // hold a point the rebuild lacks, the author's point is that one or one
  // the build placed beside it; the choice that agrees furthest wins.
  rebuilt closer_search(const train_recovery& train) {
    std::vector<std::int32_t> authors = train.certain_author_points();
    rebuilt made = with_points(train, authors);
    for (int round = 0; round < max_close_rounds && !made.failure; ++round) {
      const std::int32_t at = first_point_difference(made.model);
      if (at < 0 || !is_reduction_point(scenario_.cells[at])) break;
      std::int32_t best = at, best_reach = -1;
      for (std::int32_t c = at - 2; c <= at + 2; ++c) {
        const bool candidate =
            c == at || (c >= 0 && c < static_cast<std::int32_t>(made.model.cells.size()) &&
                        is_reduction_point(scenario_.cells[c]) && is_reduction_point(made.model.cells[c]));
        if (!candidate || std::find(authors.begin(), authors.end(), c) != authors.end()) continue;
        std::vector<std::int32_t> trial = authors;
        trial.push_back(c);
        const rebuilt tried = with_points(train, trial);
        if (tried.failure) continue;
        const std::int32_t reach = first_point_difference(tried.model);
        const std::int32_t score = reach < 0 ? std::numeric_limits<std::int32_t>::max() : reach;
        if (score > best_reach) {
          best_reach = score;
          best = c;
        }
      }
      authors.push_back(best);
      made = with_points(train, authors);
    }
    return made;
  }

  folder_files fixed_files() const {
    folder_files folder;
    folder[std::string(scenario_names_file)] =
        scenario_names_text(scenario_.line_name, scenario_.train_number, text_encoding::windows_1252);
    for (std::size_t d = 0; d < document_count; ++d) {
      const auto& document = files_.documents[d];
      folder[std::string(scenario_files[2 + d].folder_name)] = document ? document->bytes : std::string();
    }
    return folder;
  }

  // Whether the folder rebuilds the files, and the status that says so.
  void judge(const rebuilt& made) {
    const std::string& line_path = files_.plan.path;
    if (made.failure) {
      result_.messages.push_back(line_path + ": error: " + *made.failure);
      result_.status = stopped_build() ? 2 : 1;
      if (result_.status == 2) result_.messages.push_back(stopped_build_note());
      return;
    }
    const std::vector<std::string> found = differences(files_, made);
    result_.messages.insert(result_.messages.end(), found.begin(), found.end());
    if (!found.empty()) {
      result_.status = stopped_build() ? 2 : 1;
      result_.messages.push_back(result_.status == 2 ? stopped_build_note()
                                                     : "no source can make these files: the sources written are the "
                                                       "nearest found and do not rebuild them");
      return;
    }
    if (made.model.error_kind != 0) {
      result_.messages.push_back(files_.track.path +
                                 ": warning: the files come from a build that recorded a diagnostic; the sources "
                                 "written rebuild them byte for byte and record it again: " +
                                 diagnostic_report(made.model));
      if (result_.status == 0) result_.status = 2;
    }
  }

  // A line reading that stopped leaves the plan short of its end.
  bool stopped_build() const {
    return scenario_.plan_followed && scenario_.last_plan_point < scenario_.items[84].end_m + extent_beyond_route_m - 2;
  }

  std::string stopped_build_note() const {
    return files_.plan.path +
           ": warning: the plan stops short of the track's end: the files come from a build whose reading stopped at "
           "a diagnostic; the sources written are the best found and their rebuild is not guaranteed to match";
  }

  void order_folder() {
    auto rank = [](const std::string& name) -> std::size_t {
      if (name == scenario_names_file) return 0;
      for (std::size_t f = 0; f < scenario_files.size(); ++f)
        if (name == scenario_files[f].folder_name) return f + 1;
      return scenario_files.size() + 1;
    };
    std::sort(result_.folder.begin(), result_.folder.end(),
              [&](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
  }

  const build_files& files_;
  compiled_scenario scenario_;
  folder_files folder_;
  decompiled result_;
};

}  // namespace

decompiled decompile_build(const build_files& files) { return decompiler(files).run(); }

}  // namespace compila::decompile
