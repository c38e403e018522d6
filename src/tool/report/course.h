// The line's course in plan view, read from the plan's points and simplified
// for drawing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/binary_reader.h"

namespace compila::report {

// A plan point: its metre along the track and its coordinates in metres
// (x east, y north).
struct course_point {
  std::int32_t metre = 0;
  double x = 0;
  double y = 0;
};

// The course's points, in metre order, held packed and exact: the longest
// route has a million of them, 24 MB as course_points. Points go in blocks;
// a block keeps its first point and first step whole and, for each further
// point, the metre's step less one and the change of step of each
// coordinate's bit pattern, each at the fewest bits any point of the block
// needs. Along a track the changes are small (a few bits on a straight, some
// 25 on a curve), so a point takes 3 to 4 bytes. The arithmetic is on the
// 64-bit patterns modulo 2^64, so every double comes back bit for bit,
// whatever the values: the drawing sees exactly the decoded plan.
class packed_course {
 public:
  static constexpr std::size_t block_size = 64;

  // Walks the points from `index` on, one step at a time.
  class cursor {
   public:
    cursor(const packed_course& course, std::size_t index);
    const course_point& point() const { return point_; }
    std::size_t index() const { return index_; }
    void advance();

   private:
    void start_block(std::size_t block);
    void load();

    const packed_course* course_;
    std::size_t index_ = 0;
    std::size_t block_ = 0;
    std::uint64_t bit_ = 0;
    std::uint64_t x_ = 0, y_ = 0, step_x_ = 0, step_y_ = 0;
    course_point point_;
  };

  // Adds a point after the last; its metre is above the last's.
  void push_back(const course_point& point);
  void clear();
  // Room for `count` points of a track's usual changes, so that the packed
  // bits are not copied as they grow (room never filled is never touched).
  void reserve(std::size_t count);
  std::size_t size() const { return blocks_.size() * block_size + tail_.size(); }
  bool empty() const { return size() == 0; }
  course_point operator[](std::size_t index) const { return cursor(*this, index).point(); }
  course_point front() const { return (*this)[0]; }
  course_point back() const { return (*this)[size() - 1]; }
  // Bytes held, for the measures of the page's cost.
  std::size_t held_bytes() const;

  // The box around the points of each packed block (points block * block_size
  // to one before (block + 1) * block_size); the points after them are not in a block.
  struct box {
    double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
  };
  std::size_t packed_blocks() const { return blocks_.size(); }
  // The box around every point, from the blocks' boxes and the last points.
  box bounds() const;
  const box& block_box(std::size_t block) const { return blocks_[block].around; }

 private:
  struct block {
    std::int32_t metre = 0;
    std::uint8_t metre_width = 0, x_width = 0, y_width = 0;
    std::uint64_t x = 0, y = 0;            // bit patterns of the first point
    std::uint64_t step_x = 0, step_y = 0;  // from the first point to the second
    std::uint64_t bit = 0;                 // where the block's packed changes start
    box around;
  };
  void pack_tail();
  void put_bits(std::uint64_t value, unsigned width);
  std::uint64_t bits_at(std::uint64_t bit, unsigned width) const;

  std::vector<block> blocks_;
  std::vector<std::uint64_t> words_;
  std::uint64_t bit_count_ = 0;
  std::vector<course_point> tail_;  // the points after the last whole block, not yet packed
};

// The points of the plan that hold a finite number in both coordinates, in
// metre order. Empty entries (the plan's last two points) are left out.
packed_course course_points(const plan_points& plan);

// The same points, gathered while a line data file is read (stream_line_data)
// so that only they are held, not the file or its values.
class course_collector : public plan_point_sink {
 public:
  explicit course_collector(packed_course& points) : points_(points) {}
  void point_count(std::size_t count) override;
  void point(std::size_t metre, const plan_value& x, const plan_value& y) override;

 private:
  packed_course& points_;
};

// Douglas-Peucker: the indices into `points` of a subsequence, first and last
// included, such that every point lies within `tolerance_m` of the polyline
// through the kept points (measured to the segment that spans it).
std::vector<std::size_t> simplify_course(const packed_course& points, double tolerance_m);

// The index of the last point at or before `metre` (0 when none).
std::size_t point_at_metre(const packed_course& points, std::int32_t metre);

}  // namespace compila::report
