// Internal to the line source compiler: the reader's state and its records,
// implemented in line_source.cpp (structure and general section),
// line_geometry.cpp (gradients, curves, plan) and line_objects.cpp (mountain
// spans, speed indicator boards, signboards).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "line_compiler/line_source.h"
#include "model/scenario_files.h"
#include "reading/source_reading.h"

namespace compila {

// A "montagna" record: a tunnel over the cells from start to end.
struct mountain_span_record {
  std::int32_t start_m;
  std::int32_t end_m;
  std::int32_t tunnel_kind;  // as read less 10 when the markers were asked for
  bool tunnel_markers;       // the kind was read above 10
};

// One side of a speed indicator board: the speeds for ranks A, B and C and
// the stripe count.
struct speed_board_side {
  std::array<std::int32_t, 3> speeds_kmh;
  std::int32_t stripes;
};

// An "indicatori_vmax" record. The authors' guide calls the left side s and
// the right side d.
struct speed_board_record {
  std::int32_t position_m;
  speed_board_side left;
  speed_board_side right;
};

class line_source_reader : public source_reading {
 public:
  line_source_reader(scenario_model& model, std::string_view text, std::string file_name, reading_observer* observer)
      : source_reading(model, text, std::move(file_name), line_source_file.folder_name, observer) {}

  line_reading run();

  // The records of the general section and of the record part, in the order
  // the reading tests them (line_source.cpp).
  using record_row = record_entry<line_source_reader>;
  static const std::array<record_row, 8> general_records;
  static const std::array<record_row, 5> line_records;

 private:
  // Structure of the file.
  bool find_general_section();
  record_step read_general_section();
  void start_record_part();
  void complete_reading();

  // General records.
  record_step route_length();
  record_step chainage_breakpoint_three() { return chainage_breakpoint(81); }
  record_step chainage_breakpoint_two() { return chainage_breakpoint(82); }
  record_step chainage_breakpoint_one() { return chainage_breakpoint(83); }
  record_step chainage_breakpoint(int slot);
  record_step background_one() { return background(&item::start_m); }
  record_step background_two() { return background(&item::at_m); }
  record_step background_three() { return background(&item::end_m); }
  record_step background(std::int32_t item::*field);
  record_step signal_repetition();

  // Gradients and the plan.
  record_step gradient();
  record_step curve();
  record_step plan_run(std::int64_t last_point, double curvature);
  void gradient_tail();
  void plan_tail();

  // Objects along the track.
  record_step mountain();
  record_step place_mountain_span(const mountain_span_record& span);
  record_step speed_board();
  record_step place_speed_board(const speed_board_record& board);
  record_step signboard();

  bool plan_on() const { return model_.with_plan; }
  record_step sort_breakpoints(line_reading& reading);

  std::int32_t gradient_cursor_ = 0;
  std::int32_t previous_gradient_ = 0;
  std::int32_t signboard_slot_ = first_signboard_slot;
  std::array<diagnostic_site, 3> read_breakpoint_sites_;  // by the slot read into, 81 to 83
};

}  // namespace compila
