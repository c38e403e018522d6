#include "driver/post_processing.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "model/error_kinds.h"
#include "model/file_names.h"

namespace compila {
namespace {

constexpr std::int16_t automatic_value = 180;
constexpr int warning_window_cells = 20;
constexpr int lowest_served_signal = 3;
constexpr std::int16_t slow_slowdown_below = 110;
constexpr int spacing_cells = 8;
constexpr int signal_search_cells = 12;

class track_post_processing {
 public:
  explicit track_post_processing(scenario_model& model)
      : model_(model),
        cells_(model.cells),
        top_(std::min(model.cell_count, static_cast<std::int32_t>(model.cells.size()) - 1)) {}

  void run() {
    const std::int32_t last = top_ - 2;
    for (std::int32_t i = 1; i <= last; ++i) {
      const std::uint8_t type = cells_[i].cell_type;
      if (type == cell_kind::warning_board) serve_signals_before_warning(i);
      if (type == cell_kind::slowdown_start) {
        place_approach_points(i);
        const std::int32_t end =
            cells_[i].param_1 < slow_slowdown_below ? place_points_through(i) : find_slowdown_end(i);
        serve_signal_after_end(end);
      }
    }
  }

 private:
  bool free(std::int32_t c) const { return is_free(cells_[c]); }
  bool is_type(std::int32_t c, std::uint8_t type) const { return cells_[c].cell_type == type; }

  void place_point(std::int32_t c) {
    cells_[c].cell_type = cell_kind::reduction_with_value;
    cells_[c].param_1 = automatic_value;
  }

  // `object` is the cell of the signal or slowdown start that asked for the point.
  void diagnose(std::int32_t code, std::int32_t cell, std::int32_t object, const std::string& what) {
    record_diagnostic(model_, code,
                      {train_source_name(model_), 0, "",
                       "no free cell for an automatic reduction point " + what + " (cell " + std::to_string(cell) +
                           ", position " + std::to_string(cell * 50) + ")",
                       object});
  }

  // Rule A: every signal in the 20 cells before a warning board gets a point
  // on one of the two cells just ahead of it, or lowers one already there.
  void serve_signals_before_warning(std::int32_t i) {
    for (std::int32_t k = 1; k <= warning_window_cells && i - k >= lowest_served_signal; ++k) {
      const std::int32_t s = i - k;
      if (!is_type(s, cell_kind::signal)) continue;
      const std::int32_t p = s - 1, q = s - 2;
      if (free(p)) {
        place_point(p);
      } else if (free(q)) {
        place_point(q);
      } else if (is_type(p, cell_kind::reduction_with_value)) {
        cells_[p].param_1 = std::min(automatic_value, cells_[p].param_1);
      } else if (is_type(q, cell_kind::reduction_with_value)) {
        cells_[q].param_1 = std::min(automatic_value, cells_[q].param_1);
      } else {
        diagnose(error_kinds::auto_point_signal, s, s, "ahead of the signal before a warning board");
      }
    }
  }

  // Rule B: one point in each of three groups of cells before the start.
  void place_approach_points(std::int32_t i) {
    struct group {
      std::int32_t above, first, second, third;
    };
    for (const group& g : {group{7, 5, 6, 7}, group{13, 11, 12, 13}, group{20, 18, 19, 20}}) {
      if (i <= g.above) continue;
      bool placed = false;
      for (std::int32_t back : {g.first, g.second, g.third}) {
        if (free(i - back)) {
          place_point(i - back);
          placed = true;
          break;
        }
      }
      if (!placed)
        diagnose(error_kinds::auto_point_approach, i - g.first, i,
                 "before the slowdown start on cell " + std::to_string(i));
    }
  }

  // Rule C: a point every 8 cells, counted from where the last one really
  // went, up to the slowdown's end; returns the end cell. The walk stops at
  // the last cell when no end follows.
  std::int32_t place_points_through(std::int32_t i) {
    int spacing = 0;
    std::int32_t k = i;
    while (k < top_) {
      ++k;
      if (++spacing == spacing_cells) {
        if (free(k)) {
          place_point(k);
          spacing = 0;
        } else if (free(k - 1)) {
          place_point(k - 1);
          spacing = 1;
        } else if (k + 1 <= top_ && free(k + 1)) {
          place_point(k + 1);
          spacing = -1;
        } else {
          diagnose(error_kinds::auto_point_slowdown, k, i, "inside the slowdown starting on cell " + std::to_string(i));
        }
      }
      if (is_type(k, cell_kind::slowdown_end)) break;
    }
    return k;
  }

  // The same walk without placing points, for a slowdown too fast for rule C,
  // so that the signal after its end is still served.
  std::int32_t find_slowdown_end(std::int32_t i) const {
    std::int32_t k = i;
    while (k < top_ && !is_type(++k, cell_kind::slowdown_end)) {
    }
    return k;
  }

  // Rule D: a point just ahead of the first signal within 12 cells after the end.
  void serve_signal_after_end(std::int32_t end) {
    std::int32_t search = 0;
    for (std::int32_t m = end; m <= end + signal_search_cells && m <= top_; ++m) {
      if (is_type(m, cell_kind::signal)) {
        search = m - 1;
        break;
      }
    }
    if (search <= 0) return;
    if (free(search)) {
      place_point(search);
    } else if (free(search - 1)) {
      place_point(search - 1);
    } else {
      diagnose(error_kinds::auto_point_slowdown, search, search + 1, "ahead of the signal after a slowdown end");
    }
  }

  scenario_model& model_;
  std::vector<track_cell>& cells_;
  // Highest cell index the rules may touch: cell_count, held to the array.
  const std::int32_t top_;
};

}  // namespace

void post_process_track(scenario_model& model) {
  if (model.has_cells()) track_post_processing(model).run();
}

}  // namespace compila
