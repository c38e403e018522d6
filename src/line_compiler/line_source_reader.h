// Internal to the line source compiler: the reader's state and its records,
// implemented in line_source.cpp (structure and general section),
// line_geometry.cpp (gradients, curves, plan) and line_objects.cpp (mountain
// spans, speed indicator boards, signboards).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "line_compiler/line_source.h"
#include "reading/source_reading.h"

namespace compila {

class line_source_reader : public source_reading {
 public:
  line_source_reader(scenario_model& model, std::string_view text, std::string file_name,
                     reading_observer* observer)
      : source_reading(model, text, std::move(file_name), observer) {}

  line_reading run();

 private:
  // Structure of the file.
  bool find_general_section();
  record_step read_general_section();
  record_step read_general_records();
  void start_record_part();
  record_step read_line_records();
  void complete_reading();

  // General records.
  record_step route_length();
  record_step chainage_breakpoint(int slot);
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
  record_step memo_montagna(std::int32_t inizio, std::int32_t fine, std::int32_t& tipo);
  record_step speed_boards();
  record_step memo_indicatori_v_max(std::int32_t posizione, std::int32_t vas, std::int32_t vbs,
                                    std::int32_t vcs, std::int32_t strisces, std::int32_t vad,
                                    std::int32_t vbd, std::int32_t vcd, std::int32_t strisced);
  record_step signboard();

  bool plan_on() const { return model_.with_plan; }
  record_step sort_breakpoints(line_reading& reading);

  std::int32_t gradient_cursor_ = 0;
  std::int32_t previous_gradient_ = 0;
  std::int32_t signboard_slot_ = first_signboard_slot;
  std::array<diagnostic_site, 3> read_breakpoint_sites_;  // by the slot read into, 81 to 83
};

}  // namespace compila
