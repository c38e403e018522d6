// The train source compiler: reads the train source file (train data,
// adhesion and speed limits, stations, signals, slowdowns, reduction points)
// into the scenario model, after the line source has been read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/scenario_model.h"
#include "reading/source_reading.h"

namespace compila {

// Reads the whole train source text into a model whose cells exist. On a
// complete reading (also after a position beyond the track) the speed limits
// and the adhesion of the remaining cells are filled. Stations take the slots
// from 1 up to, not including, `next_signboard_slot`.
reading_end read_train_source(scenario_model& model, std::string_view text, std::string file_name,
                              std::int32_t next_signboard_slot, reading_observer* observer = nullptr);

// The ten record tests, in the order the reading applies them.
std::span<const keyword_test> train_record_tests();

}  // namespace compila
