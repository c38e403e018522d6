#include "driver/post_processing.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace compila {
namespace {

using points = std::vector<std::pair<std::int32_t, std::int16_t>>;  // (cell, value) in cell order

struct object {
  std::int32_t cell;
  std::uint8_t type;
  std::int16_t param_1 = 0;
};

struct row {
  const char* name;
  std::vector<object> objects;
  points expected;
  std::int32_t error_kind = 0;
};

// Cells 0 to 300, empty but for the objects. The array is sized exactly, so the
// sanitizer build also catches a rule touching a cell past the end.
scenario_model track_with(const std::vector<object>& objects) {
  scenario_model model;
  model.cell_count = 300;
  model.cells = std::vector<track_cell>(301);
  for (const object& o : objects) {
    model.cells[o.cell].cell_type = o.type;
    model.cells[o.cell].param_1 = o.param_1;
  }
  return model;
}

points reduction_points(const scenario_model& model) {
  points found;
  for (std::int32_t c = 0; c <= model.cell_count; ++c)
    if (model.cells[c].cell_type == cell_kind::reduction_with_value) found.emplace_back(c, model.cells[c].param_1);
  return found;
}

points automatic(std::initializer_list<std::int32_t> cells) {
  points expected;
  for (std::int32_t c : cells) expected.emplace_back(c, 180);
  return expected;
}

constexpr std::uint8_t signal = cell_kind::signal, warning = cell_kind::warning_board,
                       start = cell_kind::slowdown_start, end = cell_kind::slowdown_end,
                       taken = cell_kind::reduction_without_value, point = cell_kind::reduction_with_value,
                       stop = cell_kind::stopping_point, tunnel = cell_kind::tunnel_marker;

const row rows[] = {
    // Signals within 20 cells before a warning board.
    {"two signals", {{200, warning}, {190, signal}, {185, signal}}, automatic({184, 189})},
    {"lowers 100 to 100", {{200, warning}, {190, signal}, {189, stop}, {188, point, 100}}, {{188, 100}}},
    {"lowers 250 to 180", {{200, warning}, {190, signal}, {189, stop}, {188, point, 250}}, {{188, 180}}},
    {"no room ahead", {{200, warning}, {190, signal}, {189, taken}, {188, stop}}, {}, 11},
    {"signal 20 cells before served", {{200, warning}, {180, signal}}, automatic({179})},
    {"signal 21 cells before not served", {{200, warning}, {179, signal}}, {}},
    {"signal on 2 not served", {{5, warning}, {2, signal}}, {}},
    {"signal on 3 served", {{5, warning}, {3, signal}, {2, signal}}, automatic({1})},
    // A slowdown from 100 to 130: approach, inside, and ahead of the signal after its end.
    {"speed 60", {{100, start, 60}, {130, end}}, automatic({82, 89, 95, 108, 116, 124})},
    {"speed 109", {{100, start, 109}, {130, end}}, automatic({82, 89, 95, 108, 116, 124})},
    {"speed 60, signal 135",
     {{100, start, 60}, {130, end}, {135, signal}},
     automatic({82, 89, 95, 108, 116, 124, 134})},
    {"signal 12 after the end",
     {{100, start, 60}, {130, end}, {142, signal}},
     automatic({82, 89, 95, 108, 116, 124, 141})},
    {"signal 13 after the end", {{100, start, 60}, {130, end}, {143, signal}}, automatic({82, 89, 95, 108, 116, 124})},
    {"speed 110", {{100, start, 110}, {130, end}}, automatic({82, 89, 95})},
    {"speed 110, signal 135", {{100, start, 110}, {130, end}, {135, signal}}, automatic({82, 89, 95, 134})},
    {"signal ahead taken", {{100, start, 110}, {130, end}, {135, signal}, {134, taken}}, automatic({82, 89, 95, 133})},
    {"both ahead taken",
     {{100, start, 110}, {130, end}, {135, signal}, {134, taken}, {133, stop}},
     automatic({82, 89, 95}),
     13},
    // The approach groups need room before the start and are tried each on its own.
    {"start 7", {{7, start, 110}, {11, end}}, {}},
    {"start 8", {{8, start, 110}, {12, end}}, automatic({3})},
    {"start 13", {{13, start, 110}, {17, end}}, automatic({8})},
    {"start 14", {{14, start, 110}, {18, end}}, automatic({3, 9})},
    {"start 20", {{20, start, 110}, {24, end}}, automatic({9, 15})},
    {"start 21", {{21, start, 110}, {25, end}}, automatic({3, 10, 16})},
    {"first free of each group",
     {{100, start, 110}, {130, end}, {95, signal}, {94, point, 50}, {93, tunnel}, {89, stop}},
     {{82, 180}, {88, 180}, {93, 180}, {94, 50}}},
    {"group 1 full",
     {{100, start, 110}, {130, end}, {95, signal}, {94, point, 50}, {93, signal}},
     {{82, 180}, {89, 180}, {94, 50}},
     12},
    // Inside a slow slowdown each point is 8 cells after where the last one went.
    {"k taken", {{100, start, 60}, {130, end}, {108, taken}}, automatic({82, 89, 95, 107, 115, 123})},
    {"k, k-1 taken",
     {{100, start, 60}, {130, end}, {108, taken}, {107, taken}},
     automatic({82, 89, 95, 109, 117, 125})},
    {"k-1, k, k+1 taken",
     {{100, start, 60}, {130, end}, {107, taken}, {108, taken}, {109, taken}},
     automatic({82, 89, 95}),
     13},
    {"end on the 8th cell", {{100, start, 60}, {108, end}}, automatic({82, 89, 95, 107})},
    // Walks and searches stop at the last cell.
    {"no end", {{280, start, 60}}, automatic({262, 269, 275, 288, 296})},
    {"k+1 past the track", {{292, start, 60}, {299, signal}, {300, signal}}, automatic({274, 281, 287, 298}), 13},
    {"signal on the last cell, 60", {{294, start, 60}, {298, end}, {300, signal}}, automatic({276, 283, 289, 299})},
    {"signal on the last cell, 110", {{294, start, 110}, {298, end}, {300, signal}}, automatic({276, 283, 289, 299})},
};

TEST(PostProcessing, AutomaticReductionPoints) {
  for (const row& r : rows) {
    scenario_model model = track_with(r.objects);
    post_process_track(model);
    EXPECT_EQ(reduction_points(model), r.expected) << r.name;
    EXPECT_EQ(model.error_kind, r.error_kind) << r.name;
  }
}

TEST(PostProcessing, OnlyCellTypeAndFirstParameterChange) {
  scenario_model model = track_with({{200, warning}, {190, signal}});
  model.cells[189].tunnel_kind = 2;
  model.cells[189].param_2 = -7;
  model.cells[189].approach_code = 31;
  post_process_track(model);
  const track_cell expected{cell_kind::reduction_with_value, 180, -7, 0, 0, 0, 31, 2, 0, 0, 0};
  EXPECT_EQ(model.cells[189], expected);
}

}  // namespace
}  // namespace compila
