#include "tool/report/course.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <variant>

namespace compila::report {
namespace {

bool number_of(const plan_value& value, double& number) {
  if (const auto* integer = std::get_if<std::int16_t>(&value)) {
    number = *integer;
    return true;
  }
  if (const auto* real = std::get_if<double>(&value)) {
    number = *real;
    return std::isfinite(number);
  }
  return false;
}

// Signed changes as unsigned numbers with small magnitudes small: 0, -1, 1, -2, ...
std::uint64_t zigzag(std::uint64_t change) { return (change << 1) ^ (0 - (change >> 63)); }
std::uint64_t unzigzag(std::uint64_t packed) { return (packed >> 1) ^ (0 - (packed & 1)); }

std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

// Squared distance from p to the segment a-b.
double squared_distance_to_segment(const course_point& p, const course_point& a, const course_point& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length_2 = dx * dx + dy * dy;
  double t = length_2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length_2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

// A bound on the distance from a-b of every point of `around` that the
// distances computed below respect: every point p of the block computes a
// squared distance whose root is below the bound. So a block whose bound is
// below the root of a squared distance already found cannot hold the
// farthest point, and is skipped without changing the result. Why, with c the
// computed centre of the box, r its computed half diagonal and e below:
// - the distance to a segment changes by no more than the point moves, so
//   dist(p) <= dist(c) + |p - c| <= dist(c) + r + e;
// - with every coordinate of a, b and the box within R <= 1e15 in magnitude,
//   a distance computed here differs from the true one by a few units of
//   2^-52 R (t is off by at most ~3 2^-52 |p - a| / |b - a|, which moves the
//   foot by at most ~6 2^-52 R along the segment; the subtractions and the
//   squares add a few more), far below e = 1e-9 (R + 1); so do c, r and
//   each square root;
// - so p computes at most dist(c) + r + 3e, below the bound dist(c) + r + 4e.
// Beyond 1e15, or with infinities, the bound is infinite: the block is scanned.
double distance_bound(const packed_course::box& around, const course_point& a, const course_point& b) {
  double magnitude = 0;
  for (const double v : {a.x, a.y, b.x, b.y, around.min_x, around.min_y, around.max_x, around.max_y})
    magnitude = std::max(magnitude, std::abs(v));
  if (!(magnitude <= 1e15)) return std::numeric_limits<double>::infinity();
  const double e = 1e-9 * (magnitude + 1);
  const course_point centre{0, around.min_x / 2 + around.max_x / 2, around.min_y / 2 + around.max_y / 2};
  const double half_diagonal = std::hypot(around.max_x - around.min_x, around.max_y - around.min_y) / 2;
  return std::sqrt(squared_distance_to_segment(centre, a, b)) + half_diagonal + 4 * e;
}

// The point strictly between `first` and `last` farthest from the segment
// joining them: the first of the greatest computed squared distance, as a
// scan in order keeps it, or `first` with -1 when there is none.
struct farthest_point {
  double squared = -1;
  std::size_t index = 0;

  void consider(double d, std::size_t i) {
    if (d > squared || (d == squared && i < index)) *this = {d, i};
  }
};

void scan(packed_course::cursor& at, std::size_t to, const course_point& a, const course_point& b,
          farthest_point& best) {
  for (; at.index() < to; at.advance()) best.consider(squared_distance_to_segment(at.point(), a, b), at.index());
}

void scan(const packed_course& points, std::size_t from, std::size_t to, const course_point& a, const course_point& b,
          farthest_point& best) {
  packed_course::cursor at(points, from);
  scan(at, to, a, b, best);
}

// The farthest point when it lies beyond the squared distance `limit`. The
// whole blocks inside the span are visited highest bound first; a block whose
// bound is below the farthest distance found, or below the limit, is skipped:
// it cannot hold the farthest point, or every point it holds is within the
// limit, and then so is the farthest point unless it lies elsewhere. The
// points outside whole blocks are scanned first. The result is the one a scan
// of every point gives whenever that lies beyond the limit, and within the
// limit whenever that does.
farthest_point farthest_beyond(const packed_course& points, std::size_t first, std::size_t last, double limit,
                               std::vector<std::pair<double, std::size_t>>& bounds) {
  constexpr std::size_t size = packed_course::block_size;
  packed_course::cursor at(points, first);
  const course_point a = at.point(), b = points[last];
  at.advance();
  farthest_point best{-1, first};
  const std::size_t first_block = (first + size) / size;  // starts after `first`
  const std::size_t end_block = std::min(last / size, points.packed_blocks());
  if (first_block >= end_block) {
    scan(at, last, a, b, best);
    return best;
  }
  scan(at, first_block * size, a, b, best);
  scan(points, end_block * size, last, a, b, best);
  bounds.clear();
  for (std::size_t block = first_block; block < end_block; ++block)
    bounds.emplace_back(distance_bound(points.block_box(block), a, b), block);
  // A heap on the bound: usually only a few blocks come off it.
  const auto lower_bound_first = [](const auto& p, const auto& q) { return p.first < q.first; };
  std::make_heap(bounds.begin(), bounds.end(), lower_bound_first);
  for (auto end = bounds.end(); end != bounds.begin(); --end) {
    const auto [bound, block] = bounds.front();
    if (bound < std::sqrt(std::max(best.squared, limit))) break;
    scan(points, block * size, (block + 1) * size, a, b, best);
    std::pop_heap(bounds.begin(), end, lower_bound_first);
  }
  return best;
}

}  // namespace

packed_course::cursor::cursor(const packed_course& course, std::size_t index) : course_(&course) {
  const std::size_t block = index / block_size;
  if (block < course_->blocks_.size()) {
    start_block(block);
    while (index_ < index) advance();
  } else {
    index_ = index;
    load();
  }
}

void packed_course::cursor::start_block(std::size_t block) {
  const packed_course::block& b = course_->blocks_[block];
  block_ = block;
  index_ = block * block_size;
  bit_ = b.bit;
  x_ = b.x, y_ = b.y, step_x_ = b.step_x, step_y_ = b.step_y;
  point_ = {b.metre, std::bit_cast<double>(x_), std::bit_cast<double>(y_)};
}

// The point at index_ when it lies past the packed blocks.
void packed_course::cursor::load() {
  const std::size_t packed = course_->blocks_.size() * block_size;
  if (index_ >= packed && index_ - packed < course_->tail_.size()) point_ = course_->tail_[index_ - packed];
}

void packed_course::cursor::advance() {
  ++index_;
  if (index_ >= course_->blocks_.size() * block_size) return load();
  if (index_ % block_size == 0) return start_block(index_ / block_size);
  const packed_course::block& b = course_->blocks_[block_];
  const std::uint64_t metre_step = course_->bits_at(bit_, b.metre_width) + 1;
  bit_ += b.metre_width;
  step_x_ += unzigzag(course_->bits_at(bit_, b.x_width));
  bit_ += b.x_width;
  step_y_ += unzigzag(course_->bits_at(bit_, b.y_width));
  bit_ += b.y_width;
  x_ += step_x_;
  y_ += step_y_;
  point_ = {static_cast<std::int32_t>(static_cast<std::uint64_t>(point_.metre) + metre_step), std::bit_cast<double>(x_),
            std::bit_cast<double>(y_)};
}

void packed_course::push_back(const course_point& point) {
  tail_.push_back(point);
  if (tail_.size() == block_size) pack_tail();
}

void packed_course::clear() {
  blocks_.clear();
  words_.clear();
  bit_count_ = 0;
  tail_.clear();
}

void packed_course::reserve(std::size_t count) {
  words_.reserve(count + count / 2);  // 96 bits a point: a curve takes about half that
  blocks_.reserve(count / block_size + 1);
  tail_.reserve(block_size);
}

packed_course::box packed_course::bounds() const {
  const course_point start = front();
  box all{start.x, start.y, start.x, start.y};
  const auto take = [&all](const box& b) {
    all.min_x = std::min(all.min_x, b.min_x), all.max_x = std::max(all.max_x, b.max_x);
    all.min_y = std::min(all.min_y, b.min_y), all.max_y = std::max(all.max_y, b.max_y);
  };
  for (const block& b : blocks_) take(b.around);
  for (const course_point& p : tail_) take({p.x, p.y, p.x, p.y});
  return all;
}

std::size_t packed_course::held_bytes() const {
  return blocks_.size() * sizeof(block) + words_.size() * sizeof(std::uint64_t) + tail_.size() * sizeof(course_point);
}

// The tail, a whole block, packed: its changes measured first for the widths.
void packed_course::pack_tail() {
  struct change {
    std::uint64_t metre, x, y;
  };
  std::array<change, block_size> changes;
  block b;
  b.metre = tail_[0].metre;
  b.x = bits_of(tail_[0].x), b.y = bits_of(tail_[0].y);
  b.step_x = bits_of(tail_[1].x) - b.x, b.step_y = bits_of(tail_[1].y) - b.y;
  std::uint64_t step_x = b.step_x, step_y = b.step_y;
  unsigned metre_width = 0, x_width = 0, y_width = 0;
  for (std::size_t i = 1; i < tail_.size(); ++i) {
    const std::uint64_t new_x = bits_of(tail_[i].x) - bits_of(tail_[i - 1].x);
    const std::uint64_t new_y = bits_of(tail_[i].y) - bits_of(tail_[i - 1].y);
    const change c{static_cast<std::uint64_t>(tail_[i].metre) - static_cast<std::uint64_t>(tail_[i - 1].metre) - 1,
                   zigzag(new_x - step_x), zigzag(new_y - step_y)};
    step_x = new_x, step_y = new_y;
    metre_width = std::max(metre_width, static_cast<unsigned>(std::bit_width(c.metre)));
    x_width = std::max(x_width, static_cast<unsigned>(std::bit_width(c.x)));
    y_width = std::max(y_width, static_cast<unsigned>(std::bit_width(c.y)));
    changes[i] = c;
  }
  b.metre_width = static_cast<std::uint8_t>(metre_width);
  b.x_width = static_cast<std::uint8_t>(x_width);
  b.y_width = static_cast<std::uint8_t>(y_width);
  b.bit = bit_count_;
  b.around = {tail_[0].x, tail_[0].y, tail_[0].x, tail_[0].y};
  for (const course_point& p : tail_) {
    b.around.min_x = std::min(b.around.min_x, p.x), b.around.max_x = std::max(b.around.max_x, p.x);
    b.around.min_y = std::min(b.around.min_y, p.y), b.around.max_y = std::max(b.around.max_y, p.y);
  }
  for (std::size_t i = 1; i < block_size; ++i) {
    const change& c = changes[i];
    put_bits(c.metre, metre_width);
    put_bits(c.x, x_width);
    put_bits(c.y, y_width);
  }
  blocks_.push_back(b);
  tail_.clear();
}

void packed_course::put_bits(std::uint64_t value, unsigned width) {
  if (width == 0) return;
  const std::uint64_t shift = bit_count_ % 64;
  if (shift == 0) words_.push_back(0);
  words_.back() |= value << shift;
  if (shift + width > 64) words_.push_back(value >> (64 - shift));
  bit_count_ += width;
}

std::uint64_t packed_course::bits_at(std::uint64_t bit, unsigned width) const {
  if (width == 0) return 0;
  const std::size_t word = bit / 64;
  const std::uint64_t shift = bit % 64;
  std::uint64_t value = words_[word] >> shift;
  if (shift + width > 64) value |= words_[word + 1] << (64 - shift);
  return width == 64 ? value : value & ((std::uint64_t{1} << width) - 1);
}

packed_course course_points(const plan_points& plan) {
  packed_course points;
  course_collector collector(points);
  const std::size_t count = std::min(plan[0].size(), plan[1].size());
  collector.point_count(count);
  for (std::size_t m = 0; m < count; ++m) collector.point(m, plan[0][m], plan[1][m]);
  return points;
}

void course_collector::point_count(std::size_t count) {
  points_.clear();
  points_.reserve(count);
}

void course_collector::point(std::size_t metre, const plan_value& x, const plan_value& y) {
  double px = 0, py = 0;
  if (number_of(x, px) && number_of(y, py)) points_.push_back({static_cast<std::int32_t>(metre), px, py});
}

std::vector<std::size_t> simplify_course(const packed_course& points, double tolerance_m) {
  if (points.size() <= 2) {
    std::vector<std::size_t> all(points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
  }
  const double limit = tolerance_m * tolerance_m;
  std::vector<bool> keep(points.size(), false);
  keep.front() = keep.back() = true;
  // Spans still to split, worked off a stack so that a long line cannot
  // exhaust the call stack.
  std::vector<std::pair<std::size_t, std::size_t>> spans{{0, points.size() - 1}};
  std::vector<std::pair<double, std::size_t>> bounds;
  while (!spans.empty()) {
    const auto [first, last] = spans.back();
    spans.pop_back();
    const auto [farthest, split] = farthest_beyond(points, first, last, limit, bounds);
    if (farthest > limit) {
      keep[split] = true;
      spans.push_back({first, split});
      spans.push_back({split, last});
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < points.size(); ++i)
    if (keep[i]) kept.push_back(i);
  return kept;
}

std::size_t point_at_metre(const packed_course& points, std::int32_t metre) {
  // The first point of each block by bisection, then the block point by point.
  std::size_t low = 0, high = (points.size() + packed_course::block_size - 1) / packed_course::block_size;
  while (high - low > 1) {
    const std::size_t middle = (low + high) / 2;
    if (points[middle * packed_course::block_size].metre <= metre) low = middle;
    else high = middle;
  }
  std::size_t found = low * packed_course::block_size;
  for (packed_course::cursor at(points, found); at.index() < points.size() && at.point().metre <= metre; at.advance())
    found = at.index();
  return found;
}

}  // namespace compila::report
