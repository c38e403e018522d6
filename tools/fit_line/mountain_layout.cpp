#include "mountain_layout.h"

#include <algorithm>
#include <map>

#include "deterministic_random.h"
#include "line_check.h"
#include "mountain_rules.h"

namespace fit_line {

namespace {

struct anchor {
  mountain_span span;
  bool end_chosen = false;  // only the start is required
};

std::vector<anchor> anchors_of(const mountain_constraints& rules) {
  std::vector<mountain_span> rows = rules.required_rows;
  rows.insert(rows.end(), rules.other_kind_rows.begin(), rules.other_kind_rows.end());
  rows.push_back(rules.first_row);
  rows.push_back(rules.last_row);
  rows.push_back(rules.longest_row);
  for (const auto& [a, b] : rules.consecutive_rows) {
    rows.push_back(a);
    rows.push_back(b);
  }
  std::vector<anchor> anchors;
  for (const mountain_span& row : rows)
    if (std::none_of(anchors.begin(), anchors.end(), [&](const anchor& a) { return a.span == row; }))
      anchors.push_back({row, false});
  for (const int start : rules.required_starts_m)
    if (std::none_of(anchors.begin(), anchors.end(), [&](const anchor& a) { return a.span.start_m == start; }))
      anchors.push_back({{start, start, rules.usual_kind}, true});
  std::sort(anchors.begin(), anchors.end(),
            [](const anchor& a, const anchor& b) { return a.span.start_m < b.span.start_m; });
  return anchors;
}

int plain_kind(int kind, const mountain_constraints& rules) {
  return kind > rules.marker_kind_above ? kind - rules.marker_kind_above : kind;
}

// The stretch from one anchor to the next. If the first anchor's end is
// chosen, the stretch starts at its start and its length is the first item.
struct stretch {
  int from_m;
  int to_m;
  bool lead_span;
  bool must_stay_empty;
  int next_kind;  // compiled kind of the anchor after it, unless close
  int free_spans = 0;
};

std::vector<stretch> stretches_of(const std::vector<anchor>& anchors, const mountain_constraints& rules) {
  std::vector<stretch> out;
  for (std::size_t i = 0; i + 1 < anchors.size(); ++i) {
    const anchor& a = anchors[i];
    const anchor& b = anchors[i + 1];
    const bool consecutive =
        std::any_of(rules.consecutive_rows.begin(), rules.consecutive_rows.end(),
                    [&](const auto& pair) { return pair.first == a.span && pair.second == b.span; });
    out.push_back({a.end_chosen ? a.span.start_m : a.span.end_m, b.span.start_m, a.end_chosen, consecutive,
                   plain_kind(b.span.kind, rules)});
  }
  return out;
}

// Free spans per stretch, in proportion to its length.
bool share_free_spans(std::vector<stretch>& stretches, int free_count, int metres_per_span) {
  auto capacity = [&](const stretch& s) { return s.must_stay_empty ? 0 : (s.to_m - s.from_m) / metres_per_span; };
  int total = 0;
  for (const stretch& s : stretches) total += s.must_stay_empty ? 0 : s.to_m - s.from_m;
  int placed = 0;
  for (stretch& s : stretches) {
    s.free_spans = std::min(capacity(s), free_count * (s.to_m - s.from_m) / std::max(1, total));
    if (s.must_stay_empty) s.free_spans = 0;
    placed += s.free_spans;
  }
  while (placed < free_count) {
    stretch* best = nullptr;
    for (stretch& s : stretches)
      if (s.free_spans < capacity(s) &&
          (!best || (s.to_m - s.from_m) * (best->free_spans + 1) > (best->to_m - best->from_m) * (s.free_spans + 1)))
        best = &s;
    if (!best) return false;
    ++best->free_spans;
    ++placed;
  }
  return true;
}

// One gap before a span: which stretch, which position in it (0 .. free
// spans, the last one before the next anchor; a lead span comes before gap
// 0), the kind the span after it compiles to when the gap is open, and
// whether its size is fixed.
struct gap_slot {
  std::size_t stretch_index;
  int position;
  int open_kind;
  bool fixed;
  bool close = false;
};

std::vector<gap_slot> gap_slots_of(const std::vector<stretch>& stretches, const mountain_constraints& rules) {
  std::vector<gap_slot> slots;
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    const stretch& s = stretches[i];
    const bool fixed = s.free_spans == 0 && !s.lead_span;
    for (int p = 0; p <= s.free_spans; ++p) {
      gap_slot slot{i, p, p < s.free_spans ? plain_kind(rules.usual_kind, rules) : s.next_kind, fixed};
      if (fixed) slot.close = s.to_m - s.from_m <= rules.close_follow_m;
      slots.push_back(slot);
    }
  }
  return slots;
}

// Marks as close, at random, as many open-able gaps before spans of each
// kind as the compiled kind counts leave for the close-follow kind.
bool choose_close_gaps(std::vector<gap_slot>& slots, const std::vector<anchor>& anchors, int free_count,
                       const mountain_constraints& rules, deterministic_random& random) {
  std::map<int, int> spans_of_kind;  // spans that would compile to each kind with open gaps
  spans_of_kind[plain_kind(rules.usual_kind, rules)] += free_count;
  for (const anchor& a : anchors) ++spans_of_kind[plain_kind(a.span.kind, rules)];
  std::map<int, int> wanted(rules.compiled_kind_counts.begin(), rules.compiled_kind_counts.end());
  for (const auto& [kind, spans] : spans_of_kind) {
    if (kind == rules.close_follow_kind) continue;
    int to_close = spans - wanted[kind];
    std::vector<gap_slot*> candidates;
    for (gap_slot& slot : slots) {
      if (slot.open_kind != kind) continue;
      if (slot.fixed) to_close -= slot.close;
      else candidates.push_back(&slot);
    }
    if (to_close < 0 || to_close > static_cast<int>(candidates.size())) return false;
    random.shuffle(candidates);
    for (int c = 0; c < to_close; ++c) candidates[static_cast<std::size_t>(c)]->close = true;
  }
  return true;
}

// Sizes of the items of one stretch, in order: [lead span], gap, span, gap,
// span, ..., gap. Minimum sizes first, then the remaining 50 m units shared
// at random weights; close gaps take at most one unit.
std::optional<std::vector<mountain_span>> draw_stretch(const stretch& s, const std::vector<bool>& close,
                                                       const mountain_constraints& rules,
                                                       const mountain_layout_settings& settings,
                                                       deterministic_random& random) {
  const int unit = rules.grid_m;
  const int open_gap = std::max(rules.min_gap_m, rules.close_follow_m + unit);
  struct item {
    bool is_span;
    bool capped_gap;
    int size;
    double weight;
  };
  std::vector<item> items;
  auto add_span = [&] { items.push_back({true, false, rules.min_length_m, 1.0 + 3.0 * random.unit()}); };
  if (s.lead_span) add_span();
  for (int p = 0; p <= s.free_spans; ++p) {
    const bool is_close = close[static_cast<std::size_t>(p)];
    items.push_back({false, is_close, is_close ? rules.min_gap_m : open_gap, 0.5 + 3.0 * random.unit()});
    if (p < s.free_spans) add_span();
  }
  int used = 0;
  for (const item& i : items) used += i.size;
  int units = (s.to_m - s.from_m - used) / unit;
  if (units < 0) return std::nullopt;
  const int span_cap = settings.usual_max_length_m;
  auto room = [&](const item& i) {
    if (i.capped_gap) return i.size < rules.close_follow_m;
    return !i.is_span || i.size < span_cap;
  };
  double total_weight = 0.0;
  for (const item& i : items) total_weight += i.capped_gap ? 0.0 : i.weight;
  const int shared = units;
  for (item& i : items) {
    if (i.capped_gap) continue;
    const int give =
        std::min(static_cast<int>(shared * i.weight / total_weight), i.is_span ? (span_cap - i.size) / unit : units);
    i.size += give * unit;
    units -= give;
  }
  for (int guard = 0; units > 0 && guard < 100000; ++guard) {
    item& i = items[static_cast<std::size_t>(random.below(static_cast<int>(items.size())))];
    if (!room(i)) continue;
    i.size += unit;
    --units;
  }
  if (units > 0) return std::nullopt;
  std::vector<mountain_span> spans;
  int at = s.from_m;
  for (const item& i : items) {
    if (i.is_span) spans.push_back({at, at + i.size, rules.usual_kind});
    at += i.size;
  }
  return spans;
}

bool keeps_plain_cells(const std::vector<mountain_span>& spans, const mountain_constraints& rules) {
  const std::vector<int> markers = tunnel_marker_cells(spans, rules);
  return std::none_of(rules.plain_cells.begin(), rules.plain_cells.end(),
                      [&](int cell) { return std::binary_search(markers.begin(), markers.end(), cell); });
}

std::optional<std::vector<mountain_span>> one_attempt(const mountain_constraints& rules,
                                                      const mountain_layout_settings& settings,
                                                      deterministic_random& random) {
  const std::vector<anchor> anchors = anchors_of(rules);
  const int free_count = rules.record_count - static_cast<int>(anchors.size());
  std::vector<stretch> stretches = stretches_of(anchors, rules);
  if (free_count < 0 || !share_free_spans(stretches, free_count, settings.metres_per_span)) return std::nullopt;
  std::vector<gap_slot> slots = gap_slots_of(stretches, rules);
  if (!choose_close_gaps(slots, anchors, free_count, rules, random)) return std::nullopt;

  std::vector<mountain_span> spans{anchors.front().span};
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    const stretch& s = stretches[i];
    std::vector<bool> close(static_cast<std::size_t>(s.free_spans) + 1, false);
    for (const gap_slot& slot : slots)
      if (slot.stretch_index == i) close[static_cast<std::size_t>(slot.position)] = slot.close;
    if (s.lead_span || s.free_spans > 0) {
      std::optional<std::vector<mountain_span>> drawn;
      for (int tries = 0; tries < 200 && !drawn; ++tries) {
        drawn = draw_stretch(s, close, rules, settings, random);
        if (drawn && !keeps_plain_cells(*drawn, rules)) drawn.reset();
      }
      if (!drawn) return std::nullopt;
      if (s.lead_span) {
        spans.back().end_m = drawn->front().end_m;  // the anchor's chosen end
        drawn->erase(drawn->begin());
      }
      spans.insert(spans.end(), drawn->begin(), drawn->end());
    }
    spans.push_back(anchors[i + 1].span);
  }
  if (!all_passed(check_mountains(spans, rules))) return std::nullopt;
  return spans;
}

}  // namespace

std::optional<std::vector<mountain_span>> lay_out_mountains(const mountain_constraints& rules,
                                                            const mountain_layout_settings& settings) {
  deterministic_random random(settings.seed);
  for (int attempt = 0; attempt < settings.attempts; ++attempt)
    if (auto spans = one_attempt(rules, settings, random)) return spans;
  return std::nullopt;
}

}  // namespace fit_line
