#include "tool/decompile/compiled_scenario.h"

#include <algorithm>
#include <bit>
#include <span>

#include "driver/competition_codes.h"
#include "format/binary_reader.h"
#include "format/little_endian.h"
#include "line_compiler/line_source.h"
#include "model/diagnostics.h"
#include "model/rounding.h"

namespace compila::decompile {
namespace {

std::span<const std::uint8_t> bytes_of(const input_file& file) {
  return {reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size()};
}

input_problem whole_problem(const input_file& file, const std::string& what) {
  return {file.path + ": error: " + what, true};
}

input_problem at_byte(const input_file& file, const std::string& what, std::uint64_t offset, const std::string& why) {
  return whole_problem(file, what + ", at byte " + std::to_string(offset) + ": " + why);
}

// The tagged values of a line data file, read one after another through a
// window: the largest route's plan is 20 MB and is never held whole.
class plan_values {
 public:
  explicit plan_values(const input_file& file, std::uint64_t offset = 0) : bytes_(file), at_(offset) {}

  enum class tag : std::uint16_t { empty = 0, integer = 2, real = 5 };
  struct value {
    tag kind = tag::empty;
    std::int16_t integer = 0;
    double real = 0.0;
  };

  std::uint64_t offset() const { return at_; }
  bool at_end() const { return at_ >= bytes_.size(); }
  const std::optional<std::string>& read_error() const { return bytes_.read_error(); }

  // The next value; false (offset() at its tag) when it is unknown, cut
  // short or cannot be read.
  bool next(value& out) {
    const std::uint8_t* tag_bytes = bytes_.at(at_, 2);
    if (tag_bytes == nullptr) return false;
    const auto kind = static_cast<tag>(little_endian::load<std::uint16_t>(tag_bytes));
    const std::size_t size = kind == tag::empty ? 2 : kind == tag::integer ? 4 : kind == tag::real ? 10 : 0;
    const std::uint8_t* bytes = size == 0 ? nullptr : bytes_.at(at_, size);
    if (bytes == nullptr) return false;
    out.kind = kind;
    if (kind == tag::integer) out.integer = little_endian::load<std::int16_t>(bytes + 2);
    if (kind == tag::real) out.real = little_endian::load<double>(bytes + 2);
    at_ += size;
    return true;
  }

 private:
  byte_window bytes_;
  std::uint64_t at_;
};

// The point a plan computes after (x0, y0) and (x1, y1) on a run of `curvature`,
// with the build's own double operations (track_plan.h).
std::array<double, 2> next_point(double x0, double y0, double x1, double y1, double curvature) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  if (curvature == 0.0) return {x1 + dx, y1 + dy};
  return {x1 + (dx + curvature * dy), y1 + (dy - curvature * dx)};
}

bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// Straight track, then each curve class turning right (d) and left (s).
std::array<double, 13> plan_curvatures() {
  std::array<double, 13> all{};
  for (std::size_t c = 0; c < curve_class_curvature.size(); ++c) {
    all[1 + 2 * c] = curve_class_curvature[c];
    all[2 + 2 * c] = -curve_class_curvature[c];
  }
  return all;
}

class plan_recovery {
 public:
  plan_recovery(const input_file& file, std::int32_t track_extent_m, compiled_scenario& scenario)
      : file_(file), points_(std::int64_t{track_extent_m} + 1), scenario_(scenario) {}

  // The runs of the plan, or the problem that stops them.
  std::optional<input_problem> run() {
    std::uint64_t y_offset = 0;
    if (auto problem = count_values(y_offset)) return problem;
    plan_values x(file_), y(file_, y_offset);
    plan_values::value vx, vy;
    // Points 0 and 1 are the integers (0, 0) and (0, 1).
    for (std::int16_t m = 0; m < 2; ++m) {
      if (!x.next(vx) || !y.next(vy) || vx.kind != plan_values::tag::integer || vy.kind != plan_values::tag::integer ||
          vx.integer != 0 || vy.integer != m)
        return input_problem{file_.path + ": error: plan point " + std::to_string(m) + " is not the origin's (0, " +
                                 std::to_string(m) + "): not the line data file of a build",
                             true};
    }
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 1.0;
    double curvature = 0.0;
    const auto curvatures = plan_curvatures();
    std::int64_t m = 2;
    for (; m < points_; ++m) {
      if (!x.next(vx) || !y.next(vy)) break;
      if (vx.kind == plan_values::tag::empty && vy.kind == plan_values::tag::empty) break;
      if (vx.kind != plan_values::tag::real || vy.kind != plan_values::tag::real)
        return input_problem{point_problem(m, "holds an integer where the build writes a computed value"), false};
      bool found = false;
      for (std::size_t c = 0; c <= curvatures.size() && !found; ++c) {
        const double candidate = c == 0 ? curvature : curvatures[c - 1];
        const auto point = next_point(x0, y0, x1, y1, candidate);
        if (same_bits(point[0], vx.real) && same_bits(point[1], vy.real)) {
          found = true;
          curvature = candidate;
        }
      }
      if (!found) return input_problem{point_problem(m, "cannot follow the points before it on any curve"), false};
      add_point(static_cast<std::int32_t>(m), curvature);
      x0 = x1, y0 = y1, x1 = vx.real, y1 = vy.real;
    }
    if (auto problem = read_problem(x, y)) return problem;
    scenario_.last_plan_point = static_cast<std::int32_t>(m - 1);
    // Past the last point computed every value is empty.
    for (++m; m <= points_; ++m) {
      if (!x.next(vx) || !y.next(vy)) break;
      if (vx.kind != plan_values::tag::empty || vy.kind != plan_values::tag::empty)
        return input_problem{point_problem(m - 1, "holds a value after empty points"), false};
    }
    return read_problem(x, y);
  }

 private:
  std::optional<input_problem> read_problem(const plan_values& x, const plan_values& y) const {
    for (const plan_values* values : {&x, &y})
      if (values->read_error()) return whole_problem(file_, *values->read_error());
    return std::nullopt;
  }

  std::optional<input_problem> count_values(std::uint64_t& y_offset) const {
    plan_values walk(file_);
    if (walk.at_end()) return whole_problem(file_, "not a line data file: the file is empty");
    plan_values::value v;
    std::int64_t count = 0;
    while (!walk.at_end()) {
      if (count == points_) y_offset = walk.offset();
      if (!walk.next(v)) {
        if (walk.read_error()) return whole_problem(file_, *walk.read_error());
        return at_byte(file_, "not a whole line data file", walk.offset(),
                       "value " + std::to_string(count) + " has an unknown tag or is cut short");
      }
      ++count;
    }
    if (count != 2 * points_)
      return whole_problem(file_, "holds " + std::to_string(count) + " plan values, but the route length in the item " +
                                      "file gives " + std::to_string(2 * points_) +
                                      ": the files come from different scenarios or the file is cut short");
    return std::nullopt;
  }

  std::string point_problem(std::int64_t m, const std::string& what) const {
    return file_.path + ": error: plan point " + std::to_string(m) + " (metre " + std::to_string(m) + ") " + what +
           ": no curve records can make this plan";
  }

  void add_point(std::int32_t m, double curvature) {
    auto& runs = scenario_.plan_runs;
    if (!runs.empty() && runs.back().curvature == curvature) runs.back().last_point = m;
    else runs.push_back({m, curvature});
  }

  const input_file& file_;
  std::int64_t points_;
  compiled_scenario& scenario_;
};

std::optional<input_problem> read_items(const build_files& files, compiled_scenario& scenario) {
  auto items = decode_item_file(bytes_of(files.items));
  if (!items.ok()) return at_byte(files.items, "not a whole item file", items.error->offset, items.error->message);
  if (auto marker = format_marker_problem(items.records))
    return at_byte(files.items, "not the item file of a build", marker->offset, marker->message);
  const std::string& line = items.records[85].text;
  const std::string& train = items.records[86].text;
  if (line != files.line_name || train != files.train_number)
    return whole_problem(files.items, "holds the scenario of line \"" + printable(line) + "\" and train \"" +
                                          printable(train) + "\", not the one its name says");
  scenario.line_name = line;
  scenario.train_number = train;
  scenario.items = std::move(items.records);
  return std::nullopt;
}

std::optional<input_problem> read_track(const build_files& files, compiled_scenario& scenario) {
  auto cells = decode_track_file(bytes_of(files.track));
  if (!cells.ok()) return at_byte(files.track, "not a whole track file", cells.error->offset, cells.error->message);
  if (auto marker = format_marker_problem(cells.records))
    return at_byte(files.track, "not the track file of a build", marker->offset, marker->message);
  const std::int32_t route = scenario.items[84].end_m;
  if (route > max_route_length_m || route < min_route_length_m)
    return whole_problem(files.items, "item 84 holds the route length " + std::to_string(route) +
                                          ", which no build writes files for");
  scenario.cell_count = static_cast<std::int32_t>(cell_of(std::int64_t{route} + extent_beyond_route_m, 0));
  if (cells.records.size() != static_cast<std::size_t>(scenario.cell_count) + 1)
    return whole_problem(files.track, "holds " + std::to_string(cells.records.size()) +
                                          " cells, but the route length " + std::to_string(route) + " in " +
                                          files.items.path + " gives " + std::to_string(scenario.cell_count + 1) +
                                          ": the files come from different scenarios or the file is cut short");
  scenario.cells = std::move(cells.records);
  return std::nullopt;
}

// The competition codes are made from the two names; codes of other names
// mean files of another scenario under these names.
std::optional<input_problem> check_codes(const build_files& files, compiled_scenario& scenario) {
  scenario_model names;
  names.items[85].text = scenario.line_name;
  names.items[86].text = scenario.train_number;
  const std::int32_t plain = plain_competition_code(names);
  const std::int32_t weighted = weighted_competition_code(names);
  if (scenario.cells[1].param_2 != static_cast<std::int16_t>(plain))
    return whole_problem(files.track, "cell 1 holds the competition code " + std::to_string(scenario.cells[1].param_2) +
                                          ", but line \"" + printable(scenario.line_name) + "\" and train \"" +
                                          printable(scenario.train_number) + "\" give " + std::to_string(plain) +
                                          ": the file comes from another scenario");
  if (scenario.items[85].seconds != weighted)
    return whole_problem(files.items, "item 85 holds the competition code " +
                                          std::to_string(scenario.items[85].seconds) + ", but its names give " +
                                          std::to_string(weighted) + ": the file was changed after the build");
  return std::nullopt;
}

// The compilers left these four fields empty; the build's last steps filled them.
void take_off_stamps(compiled_scenario& scenario) {
  scenario.cells[1].param_1 = 0;
  scenario.cells[1].param_2 = 0;
  scenario.items[85].word_1 = 0;
  scenario.items[85].seconds = 0;
}

}  // namespace

byte_window::byte_window(const input_file& file)
    : file_(file), size_(file.pieces ? file.pieces->size() : file.bytes.size()) {}

const std::uint8_t* byte_window::at(std::uint64_t offset, std::size_t count) {
  if (offset > size_ || count > size_ - offset || count > piece_size) return nullptr;
  if (!file_.pieces) return reinterpret_cast<const std::uint8_t*>(file_.bytes.data()) + offset;
  if (offset < piece_start_ || offset + count > piece_start_ + piece_.size()) {
    if (read_error_) return nullptr;
    piece_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(piece_size, size_ - offset)));
    file_read_error error;
    if (!file_.pieces->read(offset, piece_, error)) {
      read_error_ = "cannot read: " + error.reason;
      piece_.clear();
      return nullptr;
    }
    piece_start_ = offset;
  }
  return piece_.data() + (offset - piece_start_);
}

std::vector<input_problem> read_build_files(const build_files& files, compiled_scenario& scenario) {
  std::vector<input_problem> problems;
  for (auto step : {read_items, read_track, check_codes}) {
    if (auto problem = step(files, scenario)) {
      problems.push_back(std::move(*problem));
      return problems;
    }
  }
  take_off_stamps(scenario);
  const std::int32_t extent = scenario.items[84].end_m + extent_beyond_route_m;
  if (auto problem = plan_recovery(files.plan, extent, scenario).run()) {
    scenario.plan_followed = false;
    problems.push_back(std::move(*problem));
  }
  return problems;
}

}  // namespace compila::decompile
