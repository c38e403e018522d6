// The per-metre plan of a line, built from its curve records.
//
// Points 0 and 1 are (0, 0) and (0, 1). Every later point is the previous
// one plus a step; the step is the previous step on straight track and the
// previous step turned by the first-order rotation (dx + k dy, dy - k dx) on
// each metre of curve. The step is never renormalised, so each curved metre
// lengthens it by sqrt(1 + k^2).
#pragma once

#include <complex>
#include <vector>

#include "line_records.h"

namespace fit_line {

// Point m of the plan sits at (x[m], y[m]).
struct track_plan {
  std::vector<double> x;
  std::vector<double> y;
};

// The plan step by step, as the compiler core's line compiler builds it from
// the curves (in file order, then straight track up to point
// track_extent_m - 2). Points a curve would put past track_extent_m are not
// computed; points never reached stay 0.
track_plan compute_track_plan(const std::vector<curve_record>& curves, int track_extent_m);

// The last point of a plan and the step that led to it, as complex numbers
// x + i y.
struct plan_end {
  std::complex<double> point;
  std::complex<double> step;
};

// Point last_point of the same plan (and the step into it) without walking
// metre by metre: each curved metre multiplies the step by w = 1 - i k, so a
// run of n curved metres adds step * (w + w^2 + ... + w^n) and leaves the
// step multiplied by w^n. Agrees with compute_track_plan to rounding.
plan_end closed_form_plan_end(const std::vector<curve_record>& curves, int last_point);

}  // namespace fit_line
