#include "tool/report/report_page.h"

#include <algorithm>

#include "tool/report/course.h"
#include "tool/report/drawing.h"
#include "tool/report/line_features.h"
#include "tool/report/page_parts.h"

namespace compila::report {
namespace {

constexpr const char* style = R"(
body{font:14px/1.4 "DejaVu Sans",Arial,sans-serif;margin:16px;color:#222;background:#fff;max-width:1240px}
h1{font-size:20px;margin:0 0 4px} h2{font-size:16px;margin:20px 0 6px}
p.note{margin:2px 0;color:#555;font-size:12px}
svg{display:block;width:100%;height:auto;max-width:1200px;background:#fff}
svg text{font-size:11px;fill:#222}
.frame{fill:none;stroke:#bbb}
.course{fill:none;stroke:#1f5fbf;stroke-width:2;stroke-linejoin:round}
.map-tunnels{fill:none;stroke:#444;stroke-width:5;stroke-opacity:.75}
.map-slowdowns{fill:none;stroke:#f08000;stroke-width:6;stroke-linecap:round}
.map-signals{stroke:#d01010;stroke-width:4;stroke-linecap:round;fill:none}
.map-ends{stroke:#1f5fbf;stroke-width:10;stroke-linecap:round;fill:none}
.map-stations circle{fill:#fff;stroke:#000;stroke-width:1.5}
.map-names text{font-weight:bold}
.scale-bar path{fill:none;stroke:#000;stroke-width:1.5} .north path{fill:#000}
.band-title{font-weight:bold} .value,.run-value{fill:#555;font-size:10px}
.guide{stroke:#ddd;fill:none} .zero{stroke:#999;fill:none} .grid{stroke:#eee;fill:none}
.axis{stroke:#000;fill:none} .km{font-size:11px}
.profile-height{fill:none;stroke:#8a5a00;stroke-width:2}
.profile-gradient{fill:none;stroke:#7a3fa0;stroke-width:1.5}
.profile-speed{fill:none;stroke:#0a8a3a;stroke-width:1.5}
.profile-adhesion{fill:none;stroke:#2a7fa0;stroke-width:1.5}
.tunnel{fill:#666} .tunnel.kind-2{fill:#333} .tunnel.kind-3{fill:#999} .tunnel.kind-4{fill:#c44}
.station-span{fill:#cfe0f5;stroke:#5b8fd6;stroke-width:.5} .station-at{stroke:#5b8fd6;fill:none}
.stop{fill:#000} .station-name{font-weight:bold}
.signal{stroke:#d01010;stroke-width:1.2;fill:none}
.reduction{stroke:#888;stroke-width:4;stroke-linecap:round;fill:none} .reduction.authored{stroke:#222}
.speed-board{fill:#fff;stroke:#0a8a3a;stroke-width:1.2} .board-speed{font-size:10px;fill:#0a6a2a}
.signboard{stroke:#555;stroke-width:3;stroke-linecap:round;fill:none} .signboard-text{fill:#444}
.route-end{stroke:#c000c0;stroke-width:1.5;stroke-dasharray:5,3;fill:none} .route-end-label{fill:#c000c0}
.map-route-end{fill:none;stroke:#c000c0;stroke-width:2.5}
ul.legend{list-style:none;padding:0;margin:4px 0;font-size:12px;color:#333}
ul.legend li{display:inline-block;margin:0 14px 2px 0;white-space:nowrap}
ul.legend svg{display:inline-block;width:24px;height:14px;vertical-align:middle;margin-right:4px}
.slowdown{fill:#f08000} .warning-board{fill:#ffd000;stroke:#000;stroke-width:.6} .countdown{stroke:#000;fill:none}
table{border-collapse:collapse;font-size:13px;margin:4px 0}
th,td{border:1px solid #ccc;padding:2px 8px;text-align:left;vertical-align:top} th{background:#f2f2f2}
td.n{text-align:right;font-variant-numeric:tabular-nums}
pre{background:#f6f6f6;padding:6px 8px;margin:4px 0;white-space:pre-wrap;font-size:12px}
)";

std::string row(const std::string& name, const std::string& value) {
  return "<tr><th>" + name + "</th><td>" + value + "</td></tr>";
}

std::string cell(const std::string& value, bool numeric = false) {
  return std::string(numeric ? "<td class=\"n\">" : "<td>") + value + "</td>";
}

// For a folder the author's reduction points apart from the build's own;
// the binary files alone cannot tell them apart.
std::string reduction_summary(const line_features& f) {
  const auto total = static_cast<std::int64_t>(f.reductions.size());
  if (!f.from_sources) return std::to_string(total) + " (the binary files do not tell who placed them)";
  const auto authored =
      std::count_if(f.reductions.begin(), f.reductions.end(), [&f](const cell_object& r) { return f.authored(r); });
  return std::to_string(total) + ": " + std::to_string(authored) + " from the sources, " +
         std::to_string(total - authored) + " added by the build";
}

std::string summary_table(const drawn_scenario& scenario, const line_features& f, const page_stats& stats) {
  std::int64_t tunnel_m = 0;
  for (const run& r : f.tunnels) tunnel_m += static_cast<std::int64_t>(r.last - r.first + 1) * cell_length_m;
  double climb = 0, descent = 0;
  for (std::size_t k = 1; k < f.height_m.size(); ++k) {
    const double step = f.height_m[k] - f.height_m[k - 1];
    (step > 0 ? climb : descent) += std::abs(step);
  }
  std::string t = "<table class=\"summary\">";
  t += row("Line", html_text(scenario.line_name())) + row("Train", html_text(scenario.train_number()));
  t += row("Route length", grouped(f.route_length_m) + " m");
  t += row("Cells", grouped(f.cell_count + 1) + " (0 to " + grouped(f.cell_count) + ", " +
                        grouped(static_cast<std::int64_t>(f.cell_count + 1) * cell_length_m) + " m of track)");
  t += row("Stations", std::to_string(f.stations.size())) + row("Signals", std::to_string(f.signals.size()));
  t += row("Speed boards", std::to_string(f.speed_boards.size())) +
       row("Signboards", std::to_string(f.signboards.size()));
  t += row("Slowdowns",
           std::to_string(f.slowdowns.size()) + " (" +
               counted(static_cast<std::int64_t>(f.warning_boards.size()), "warning board", "warning boards") + ")");
  t += row("Reduction points", reduction_summary(f));
  t += row("Tunnels",
           counted(static_cast<std::int64_t>(f.tunnels.size()), "span", "spans") + ", " + grouped(tunnel_m) + " m");
  t += row("Climb / descent", number(climb, 0) + " m / " + number(descent, 0) + " m");
  t += row("Competition code (item file)", std::to_string(f.competition_code_st));
  t += row("Competition code (track file)", std::to_string(f.competition_code_og));
  t += row("Course drawn", grouped(static_cast<std::int64_t>(stats.drawn_points)) + " of " +
                               grouped(static_cast<std::int64_t>(stats.plan_points)) + " plan points, within " +
                               number(stats.tolerance_m, stats.tolerance_m < 10 ? 2 : 0) + " m of the plan");
  return t + "</table>";
}

std::string station_table(const line_features& f) {
  if (f.stations.empty()) return "<p class=\"note\">No stations.</p>";
  std::string t =
      "<table class=\"stations\"><tr><th>Slot</th><th>Name</th><th>Position</th><th>Kind</th>"
      "<th>Extent</th><th>Stopping point</th><th>Time</th></tr>";
  for (const station& s : f.stations) {
    std::string stops;
    for (const std::int32_t m : s.stops_m) stops += (stops.empty() ? "" : ", ") + grouped(m) + " m";
    t += "<tr>" + cell(std::to_string(s.slot), true) + cell(html_text(s.name)) + cell(grouped(s.at_m) + " m", true) +
         cell(std::to_string(s.kind), true) + cell(grouped(s.start_m) + " to " + grouped(s.end_m) + " m", true) +
         cell(stops.empty() ? "none" : stops, true) + cell(s.seconds != 0 ? time_of_day(s.seconds) : "", true) +
         "</tr>";
  }
  return t + "</table>";
}

std::string signboard_table(const line_features& f) {
  if (f.signboards.empty()) return "<p class=\"note\">No signboards.</p>";
  std::string t = "<table class=\"signboards\"><tr><th>Cell</th><th>At</th><th>Slot</th><th>Text</th></tr>";
  for (const signboard& s : f.signboards)
    t += "<tr>" + cell(std::to_string(s.cell), true) +
         cell(grouped(std::int64_t{s.cell} * cell_length_m) + " m", true) + cell(std::to_string(s.slot), true) +
         cell(html_text(s.text)) + "</tr>";
  return t + "</table>";
}

struct legend_entry {
  std::string swatch;  // SVG elements in a 24 x 14 box
  std::string text;
};

std::string legend(const std::vector<legend_entry>& entries) {
  std::string list = "<ul class=\"legend\">";
  for (const legend_entry& e : entries)
    list += "<li><svg viewBox=\"0 0 24 14\" aria-hidden=\"true\">" + e.swatch + "</svg>" + e.text + "</li>";
  return list + "</ul>";
}

std::string map_legend(const line_features& f) {
  return legend({
      {"<path class=\"course\" d=\"M2,7h20\"/>", "course"},
      {"<path class=\"map-ends\" style=\"stroke-width:8\" d=\"M12,7h0.01\"/>", "first and last point of the plan"},
      {"<circle class=\"map-route-end\" cx=\"12\" cy=\"7\" r=\"5\"/>",
       "end of the route (" + grouped(f.route_length_m) + " m)"},
      {"<g class=\"map-stations\"><circle cx=\"12\" cy=\"7\" r=\"4\"/></g>", "station"},
      {"<path class=\"map-signals\" d=\"M12,7h0.01\"/>", "signal"},
      {"<path class=\"map-tunnels\" d=\"M2,7h20\"/>", "tunnel"},
      {"<path class=\"map-slowdowns\" d=\"M2,7h20\"/>", "slowdown"},
  });
}

std::string profile_legend(const line_features& f) {
  std::vector<legend_entry> entries = {
      {"<path class=\"tunnel kind-1\" d=\"M2,2h20v10h-20z\"/>", "tunnel, kind 1"},
      {"<path class=\"tunnel kind-2\" d=\"M2,2h20v10h-20z\"/>", "kind 2"},
      {"<path class=\"tunnel kind-3\" d=\"M2,2h20v10h-20z\"/>", "kind 3"},
      {"<path class=\"tunnel kind-4\" d=\"M2,2h20v10h-20z\"/>", "kind 4"},
      {"<path class=\"station-span\" d=\"M2,4h20v6h-20z\"/>", "station's extent"},
      {"<path class=\"station-at\" d=\"M12,1v12\"/>", "station's position"},
      {"<path class=\"stop\" d=\"M12,13l-4,-7h8z\"/>", "stopping point"},
      {"<path class=\"signal\" d=\"M12,1v12\"/>", "signal"},
  };
  if (f.from_sources) {
    entries.push_back({"<path class=\"reduction authored\" d=\"M12,7h0.01\"/>", "reduction point from the sources"});
    entries.push_back({"<path class=\"reduction\" d=\"M12,7h0.01\"/>", "reduction point added by the build"});
  } else {
    entries.push_back({"<path class=\"reduction\" d=\"M12,7h0.01\"/>", "reduction points"});
  }
  entries.insert(entries.end(),
                 {
                     {"<path class=\"speed-board\" d=\"M8,1h8v12h-8z\"/>",
                      f.from_sources
                          ? "speed board: its speeds, left|right km/h, a/b/c where the ranks differ"
                          : "speed board: speeds decoded from its codes, left|right km/h (the code where no single "
                            "reading)"},
                     {"<path class=\"signboard\" d=\"M12,13v-10h0.01\"/>", "signboard (a cut text is whole on hover)"},
                     {"<path class=\"slowdown\" d=\"M2,3h20v8h-20z\"/>", "slowdown, with its speed"},
                     {"<path class=\"warning-board\" d=\"M12,2l-5,9h10z\"/>", "warning board"},
                     {"<path class=\"countdown\" d=\"M12,2v10\"/>", "countdown board"},
                     {"<path class=\"route-end\" d=\"M12,0v14\"/>", "end of the route"},
                 });
  return legend(entries);
}

std::string lines_block(const std::vector<std::string>& lines) {
  std::string block = "<pre>";
  for (const std::string& line : lines) block += html_text(line) + "\n";
  return block + "</pre>";
}

std::string build_section(const drawn_scenario& scenario) {
  std::string s = "<h2>Build</h2>";
  if (!scenario.built_from_folder) {
    s += "<p class=\"note\">Drawn from the binary files in " + html_text(scenario.source) +
         " as they are; no build was run.</p>";
  } else if (scenario.build_lines.empty()) {
    s += "<p class=\"note\">Built from the folder " + html_text(scenario.source) + ": clean build, no diagnostic.</p>";
  } else {
    s += "<p class=\"note\">Built from the folder " + html_text(scenario.source) + " (status " +
         std::to_string(scenario.build_status) + "): the files were written with this diagnostic.</p>";
    s += lines_block(scenario.build_lines);
  }
  if (!scenario.file_notes.empty()) s += "<p class=\"note\">The files:</p>" + lines_block(scenario.file_notes);
  return s;
}

std::string extra_sections(const page_options& options) {
  std::string s;
  for (const extra_section& section : options.extra_sections) {
    s += "<h2>" + html_text(section.title) + "</h2>";
    if (section.lines.empty()) {
      s += "<p class=\"note\">None.</p>";
      continue;
    }
    std::vector<std::string> lines;
    for (const located_line& line : section.lines) lines.push_back(line.where + ": " + line.text);
    s += lines_block(lines);
  }
  return s;
}

}  // namespace

std::string render_report(const drawn_scenario& scenario, const page_options& options, page_stats* stats) {
  line_features features = read_features(scenario.cells, scenario.items);
  features.from_sources = scenario.built_from_folder;
  features.placed_by = scenario.placed_by;
  const packed_course& points = scenario.course;
  page_stats drawn;
  const std::string map = draw_map(points, features, drawn);
  if (stats != nullptr) *stats = drawn;
  const std::string title = html_text(scenario.line_name()) + " &#8212; train " + html_text(scenario.train_number());

  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width\"><title>" +
      title + "</title><style>" + style + "</style></head><body>\n";
  page += "<h1>" + title + "</h1><p class=\"note\">Drawn from " + html_text(scenario.file_names[0]) + ", " +
          html_text(scenario.file_names[1]) + " and " + html_text(scenario.file_names[2]) +
          ": what the simulator loads.</p>\n";
  page +=
      "<h2>Map</h2><p class=\"note\">North up, equal scale on both axes. Blue: the course, simplified for "
      "drawing to " +
      grouped(static_cast<std::int64_t>(drawn.drawn_points)) + " of " +
      grouped(static_cast<std::int64_t>(drawn.plan_points)) + " points, every plan point within " +
      number(drawn.tolerance_m, drawn.tolerance_m < 10 ? 2 : 0) + " m (half a pixel) of the drawn line.</p>\n" + map +
      "\n" + map_legend(features) + "\n";
  page +=
      "<h2>Along the line</h2><p class=\"note\">One chainage axis for every band. Each object stands at the "
      "start of its 50 m cell (cell i at i &#215; 50 m; a signal or board written at position p sits in cell "
      "p / 50 + 1). Height is the sum of the gradients (per mille) over the cells, from 0 at the origin.</p>\n" +
      draw_profile(features) + "\n" + profile_legend(features) + "\n";
  page += "<h2>Summary</h2>" + summary_table(scenario, features, drawn) + "\n";
  page += "<h2>Stations</h2>" + station_table(features) + "\n";
  page += "<h2>Signboards</h2>" + signboard_table(features) + "\n";
  page += build_section(scenario) + "\n" + extra_sections(options) + "\n</body></html>\n";
  return page;
}

}  // namespace compila::report
