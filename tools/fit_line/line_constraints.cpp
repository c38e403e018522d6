#include "line_constraints.h"

namespace fit_line {

int line_constraints::line_count() const {
  const std::size_t headers = 5, end_line = 1;
  return static_cast<int>(text.general.size() + text.gradients.size() + text.boards.size() + text.signboards.size() +
                          headers + end_line) +
         curves.record_count + mountains.record_count;
}

namespace {

fixed_text shipped_fixed_text() {
  fixed_text text;
  text.general = {
      "[generale]",
      "lunghezza percorso,    82000",
      "progressiva chilometrica uno,    0,    0,    0",
      "progressiva chilometrica due,    0,    0,    0",
      "progressiva chilometrica tre,    0,    0,    0",
      "sfondo uno,    0",
      "sfondo due,    1",
      "sfondo tre,    4650",
      "ripetizione segnali 4 codici,    0    ,0",
  };
  text.gradients = {
      "pendenza,   0,    0",    "pendenza,  4750,   3",   "pendenza,  7500,   5",   "pendenza,  20250,   7",
      "pendenza,  29750,   14", "pendenza,  34750,   26", "pendenza,  58250,   18", "pendenza,  59000,   20",
      "pendenza,  75400,   13", "pendenza,  81750,   8",  "pendenza,  81900,   5",  "pendenza,  82400,   0",
  };
  text.boards = {
      "indicatori_vmax,  1500,  80,  80,  80,  0,  ,  ,  ,  0",
      "indicatori_vmax,  35300,  40,  40,  40,  0,  ,  ,  ,  0",
      "indicatori_vmax,  41150,  80,  80,  80,  0,  ,  ,  ,  0",
  };
  text.signboards = {
      "cartello_indicatore,  35800,   (Km.35.800)",
      "cartello_indicatore,  72250,   (GALLERIA)(VALICO  )(m.8100  )",
  };
  return text;
}

curve_constraints shipped_curve_constraints() {
  curve_constraints c;
  c.record_count = 106;
  c.grid_m = 50;
  c.min_length_m = 50;
  c.max_length_m = 2000;
  c.first_row = {'s', 3, 800, 300};
  c.last_row = {'s', 2, 83050, 300};
  c.longest_row = {'s', 3, 65400, 2000};
  c.touching_pairs = 6;
  c.touching_rows = {{{'s', 3, 5100, 200}, {'d', 2, 5300, 150}}};
  c.kind_counts = {
      {'s', 2, 2},  {'s', 3, 22}, {'s', 4, 17}, {'s', 5, 4}, {'s', 6, 1}, {'d', 1, 2},
      {'d', 2, 18}, {'d', 3, 21}, {'d', 4, 10}, {'d', 5, 8}, {'d', 6, 1},
  };
  c.required_rows = {
      {'s', 3, 800, 300},   {'d', 3, 1400, 350},  {'s', 3, 5100, 200},   {'d', 2, 5300, 150},  {'d', 2, 7150, 50},
      {'d', 6, 38400, 100}, {'s', 6, 38850, 350}, {'s', 3, 65400, 2000}, {'s', 2, 83050, 300},
  };
  return c;
}

plan_constraints shipped_plan_constraints() {
  plan_constraints p;
  p.route_length_m = 82000;
  // Fixed by the first curve alone: 799 straight metres, then 300 m of class 3 side s.
  p.points = {{1100, -18.0386, 1099.2805, 5e-5}};
  p.end_x = {6884.08, 2, 0.002};
  p.end_y = {70024.07, 2, 0.002};
  p.last_step_length = {1.016, 3, 0.0003};
  return p;
}

mountain_constraints shipped_mountain_constraints() {
  mountain_constraints c;
  c.record_count = 60;
  c.grid_m = 50;
  c.min_gap_m = 100;
  c.min_length_m = 50;
  c.max_length_m = 8100;
  c.first_row = {3400, 3700, 11};
  c.last_row = {81650, 82700, 11};
  c.longest_row = {72300, 80400, 11};
  c.usual_kind = 11;
  c.other_kind_rows = {
      {14600, 15300, 12}, {15500, 15750, 12}, {17900, 18400, 12},
      {31750, 31900, 12}, {38200, 39250, 12}, {55500, 55550, 12},
  };
  c.required_rows = {{3400, 3700, 11}, {6450, 6750, 11}, {6900, 7050, 11}, {72300, 80400, 11}, {81650, 82700, 11}};
  c.consecutive_rows = {{{6450, 6750, 11}, {6900, 7050, 11}}};
  // The speed board at 41150 stands on cell 824, the first cell of this span.
  c.required_starts_m = {41200};
  c.compiled_kind_counts = {{1, 47}, {2, 5}, {3, 8}};
  // Speed boards at 1500, 35300, 41150 and signboards at 35800, 72250.
  c.plain_cells = {31, 707, 824, 717, 1446};
  return c;
}

}  // namespace

line_constraints shipped_line_constraints() {
  return {shipped_fixed_text(), shipped_curve_constraints(), shipped_plan_constraints(),
          shipped_mountain_constraints()};
}

}  // namespace fit_line
