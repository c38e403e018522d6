// Everything the embedded line's source text must satisfy, in one table.
// shipped_line_constraints() holds the values for the embedded line; an
// author who changes a constraint changes it there and reruns fit_line.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "line_compiler/line_source.h"
#include "line_records.h"
#include "model/scenario_model.h"

namespace fit_line {

// Lines that are given word for word, and the section headers in file order.
struct fixed_text {
  std::vector<std::string> general;  // "[generale]" and the general lines
  std::vector<std::string> gradients;
  std::vector<std::string> boards;
  std::vector<std::string> signboards;
  std::string curve_header = "[curve]";
  std::string gradient_header = "[pendenze]";
  std::string mountain_header = "[montagne]";
  std::string board_header = "[cartelli]";
  std::string signboard_header = "[indicazioni]";
  std::string end_line = "[fine]";
};

struct curve_kind_count {
  char side;
  int curve_class;
  int count;
};

struct curve_constraints {
  int record_count = 0;
  int grid_m = 50;
  int min_length_m = 50;
  int max_length_m = 2000;
  curve_record first_row;
  curve_record last_row;
  curve_record longest_row;                                          // the only record of max_length_m
  int touching_pairs = 0;                                            // times a curve ends exactly where the next starts
  std::vector<std::pair<curve_record, curve_record>> touching_rows;  // must be consecutive
  std::vector<curve_kind_count> kind_counts;
  std::vector<curve_record> required_rows;
};

struct plan_point_target {
  int metre;
  double x;
  double y;
  double tolerance;
};

// A value that must round to `value` at `decimals` decimals; the search aims
// to land within `margin` of it, and the check holds it to that too.
struct rounded_target {
  double value;
  int decimals;
  double margin;
};

struct plan_constraints {
  int route_length_m = 0;  // the plan runs to track extent = route length + extent_beyond_route_m
  int extent_beyond_route_m = compila::extent_beyond_route_m;
  std::vector<plan_point_target> points;
  rounded_target end_x{};  // point track extent - 2, the last one computed
  rounded_target end_y{};
  rounded_target last_step_length{};  // distance from the point before it

  int track_extent_m() const { return route_length_m + extent_beyond_route_m; }
  int last_point() const { return track_extent_m() - 2; }
};

struct mountain_constraints {
  int record_count = 0;
  int grid_m = 50;
  int min_gap_m = 100;  // from one span's end to the next one's start
  int min_length_m = 50;
  int max_length_m = 8100;
  mountain_span first_row;
  mountain_span last_row;
  mountain_span longest_row;  // the only span of max_length_m
  int usual_kind = 11;
  std::vector<mountain_span> other_kind_rows;  // exactly these rows have a kind other than usual_kind
  std::vector<mountain_span> required_rows;
  std::vector<std::pair<mountain_span, mountain_span>> consecutive_rows;
  std::vector<int> required_starts_m;  // a span must start here; its end is free
  // Compiling, as the layout search plans with it (the check compiles the
  // spans with the compiler core instead, mountain_rules.h): a kind above
  // marker_kind_above sets the marker flag and stands for kind -
  // marker_kind_above; a span starting at most close_follow_m after the end of
  // the one read before it gets close_follow_kind.
  int marker_kind_above = compila::tunnel_marker_kind_offset;
  int close_follow_m = compila::close_follow_gap_m;
  int close_follow_kind = compila::close_follow_kind;
  std::vector<std::pair<int, int>> compiled_kind_counts;  // (compiled kind, spans)
  // With the marker flag every marker_every-th cell of a span (the compiler
  // core's 50 m cells) is a tunnel marker. Boards and signboards stand on
  // plain_cells.
  int marker_every = compila::tunnel_marker_spacing;
  std::vector<int> plain_cells;
};

struct line_constraints {
  fixed_text text;
  curve_constraints curves;
  plan_constraints plan;
  mountain_constraints mountains;

  int line_count() const;
};

line_constraints shipped_line_constraints();

}  // namespace fit_line
