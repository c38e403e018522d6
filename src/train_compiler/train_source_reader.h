// Internal to the train source compiler: the reader's state and its records,
// implemented in train_source.cpp (structure, train data, speed and adhesion
// profiles), stations.cpp and track_objects.cpp (signals, slowdowns,
// reduction points).
#pragma once

#include <cstdint>
#include <string>

#include "reading/source_reading.h"
#include "train_compiler/train_source.h"

namespace compila {

class train_source_reader : public source_reading {
 public:
  train_source_reader(scenario_model& model, std::string_view text, std::string file_name,
                      std::int32_t next_signboard_slot, reading_observer* observer)
      : source_reading(model, text, std::move(file_name), observer), next_signboard_slot_(next_signboard_slot) {}

  reading_end run();

 private:
  // A step profile over the cells: each entry holds from its position up to
  // the next entry's position.
  struct profile {
    std::int32_t cursor = 0;    // next cell to receive a value
    std::int32_t previous = 0;  // value of the last entry read
    bool started = false;       // an entry has been read
    std::int32_t previous_line = 0;  // where the previous entry stands, for diagnostics
    std::string previous_keyword;
  };
  using cell_writer = record_step (train_source_reader::*)(track_cell&, const profile&);

  void find_general_section();
  record_step apply_record_tests();

  // Train data and the two profiles.
  record_step braked_mass();
  record_step cars();
  record_step clock();
  record_step sand();
  record_step speed_entry();
  record_step adhesion_entry();
  record_step profile_entry(std::string_view record, profile& list, cell_writer write);
  record_step fill_remaining(profile& list, cell_writer write);
  record_step write_speed(track_cell& cell, const profile& list);
  record_step write_adhesion(track_cell& cell, const profile& list);

  // Stations.
  record_step station();
  record_step mark_station(const item& station, std::int32_t slot);

  // Signals, slowdowns, reduction points.
  record_step signal();
  record_step memo_segnale(std::int32_t posizione, std::int32_t sx, std::int32_t s1, std::int32_t s2,
                           std::int32_t s3, std::int32_t rapp, std::int32_t dx, std::int32_t d1,
                           std::int32_t d2, std::int32_t d3, std::int32_t& tempo);
  record_step slowdown();
  record_step memo_rallentamento(std::int32_t x, std::int32_t v, std::int32_t l, std::int32_t f_tt,
                                 std::int32_t f_ta, std::int32_t d_v);
  record_step reduction_point();

  profile speed_;
  profile adhesion_;
  std::int32_t station_slot_ = 1;
  std::int32_t next_signboard_slot_;
};

}  // namespace compila
