// Internal to the train source compiler: the reader's state and its records,
// implemented in train_source.cpp (structure, train data, speed and adhesion
// profiles), stations.cpp and track_objects.cpp (signals, slowdowns,
// reduction points).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/scenario_files.h"
#include "reading/source_reading.h"
#include "train_compiler/train_source.h"

namespace compila {

// One side of a signal: its signal code, 0 to 2, and three further codes,
// single digits.
struct signal_side {
  std::int32_t code;
  std::array<std::int32_t, 3> further_codes;
};

// A "segnale" record. The authors' guide names its fields posizione, sx, s1 to
// s3, rapp, dx, d1 to d3 and tempo: s is the left side, d the right one.
struct signal_record {
  std::int32_t position_m;
  signal_side left;
  std::int32_t whole_signal_code;  // a further code of the whole signal, a single digit
  signal_side right;
  std::int32_t time;  // kept by the cell when the left code is 2
};

// A "rallentamento" record; the guide's x, v, l, f_tt, f_ta and d_v.
struct slowdown_record {
  std::int32_t start_m;
  std::int32_t speed_kmh;
  std::int32_t length_m;
  std::int32_t ends_value;    // carried by the start and end cells
  bool countdown_boards;      // four countdown cells before the warning board
  std::int32_t boards_value;  // when not 0, carried by the start, end and warning cells
};

class train_source_reader : public source_reading {
 public:
  train_source_reader(scenario_model& model, std::string_view text, std::string file_name,
                      std::int32_t next_signboard_slot, reading_observer* observer)
      : source_reading(model, text, std::move(file_name), train_source_file.folder_name, observer),
        next_signboard_slot_(next_signboard_slot) {}

  reading_end run();

  // "signal at 18200 on cell 365, which is not free: it holds ..."
  std::string at_cell(const char* what, std::int64_t position, std::int64_t cell) const;

  // The records, in the order the reading tests them (train_source.cpp).
  using record_row = record_entry<train_source_reader>;
  static const std::array<record_row, 10> records;

 private:
  // A step profile over the cells: each entry holds from its position up to
  // the next entry's position.
  struct profile {
    std::int32_t cursor = 0;         // next cell to receive a value
    std::int32_t previous = 0;       // value of the last entry read
    bool started = false;            // an entry has been read
    std::int32_t previous_line = 0;  // where the previous entry stands, for diagnostics
    std::string previous_keyword;
  };
  using cell_writer = record_step (train_source_reader::*)(track_cell&, const profile&);

  void find_general_section();

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
  record_step place_signal(const signal_record& signal);
  record_step slowdown();
  record_step place_slowdown(const slowdown_record& slowdown);
  record_step reduction_point();

  profile speed_;
  profile adhesion_;
  std::int32_t station_slot_ = 1;
  std::int32_t next_signboard_slot_;
};

}  // namespace compila
