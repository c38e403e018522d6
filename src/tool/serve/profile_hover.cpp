#include "tool/serve/profile_hover.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "tool/report/line_features.h"
#include "tool/report/page_parts.h"

namespace compila::serve {
namespace {

// The profile drawing's margins beside its chainage axis (left, for the band
// titles, and right); the test of the hover data checks them against the
// drawing's own end-of-route mark.
constexpr double profile_left_margin = 150;
constexpr double profile_right_margin = 16;

nlohmann::json runs_json(const std::vector<report::run>& runs) {
  nlohmann::json out = nlohmann::json::array();
  for (const report::run& r : runs) out.push_back({r.first, r.last, r.value});
  return out;
}

}  // namespace

profile_axis profile_axis_of(const report::drawn_scenario& drawn) {
  const report::line_features features = report::read_features(drawn.cells, drawn.items);
  return {profile_left_margin, report::drawing_width - profile_left_margin - profile_right_margin,
          std::max<double>(cell_length_m, (static_cast<double>(features.cell_count) + 1) * cell_length_m)};
}

std::string profile_hover_json(const report::drawn_scenario& drawn) {
  const report::line_features features = report::read_features(drawn.cells, drawn.items);
  const profile_axis axis = profile_axis_of(drawn);
  // The height where each gradient run starts; within a run it follows the gradient.
  nlohmann::json heights = nlohmann::json::array();
  for (const report::run& r : features.gradient)
    heights.push_back(static_cast<std::size_t>(r.first) < features.height_m.size()
                          ? features.height_m[static_cast<std::size_t>(r.first)]
                          : 0.0);
  nlohmann::json records = nlohmann::json::array();
  for (const auto& [cell, record] : drawn.placed_by)
    records.push_back({cell, record.file + ":" + std::to_string(record.line), record.record});
  const nlohmann::json json{{"left", axis.left},
                            {"width", axis.width},
                            {"extent_m", axis.extent_m},
                            {"cell_m", cell_length_m},
                            {"gradient", runs_json(features.gradient)},
                            {"height_m", heights},
                            {"speed", runs_json(features.speed_kmh)},
                            {"adhesion", runs_json(features.adhesion)},
                            {"records", records}};
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace compila::serve
