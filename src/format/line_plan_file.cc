#include "format/line_plan_file.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "format/byte_order.h"
#include "format/format_error.h"

namespace scenarioc {
namespace {

using Tag = TrackPlan::Tag;

constexpr size_t element_bytes(Tag tag) {
  return kPlanTagBytes + plan_element(static_cast<uint16_t>(tag))->value_bytes;
}
constexpr size_t kLongestElement = element_bytes(Tag::kDouble);
static_assert(element_bytes(Tag::kEmpty) == 2 && element_bytes(Tag::kInteger) == 4 &&
              kLongestElement == 10);

char* put_tag(char* p, Tag tag) { return put_le(p, static_cast<uint16_t>(tag)); }
char* put_empty(char* p) { return put_tag(p, Tag::kEmpty); }
char* put_integer(char* p, int16_t v) { return put_le(put_tag(p, Tag::kInteger), v); }
char* put_double(char* p, double v) { return put_le(put_tag(p, Tag::kDouble), v); }

// One element as its tag says.
char* put_value(char* p, const PlanValue& v) {
  switch (v.tag) {
    case Tag::kEmpty: return put_empty(p);
    case Tag::kInteger: return put_integer(p, static_cast<int16_t>(v.value));
    case Tag::kDouble: return put_double(p, v.value);
  }
  return p;
}

using PlanSink = std::function<void(uint64_t, std::string_view)>;

// The line plan's elements go into a buffer handed to the sink, with the
// offset in the file it belongs at, once it holds `chunk` bytes or more.
class PlanWriter {
 public:
  PlanWriter(const PlanSink& sink, size_t chunk, uint64_t offset)
      : sink_(sink),
        chunk_(std::max<size_t>(chunk, 1)),
        offset_(offset),
        buf_(chunk_ + kLongestElement) {
    p_ = buf_.data();
  }

  void empty() { done(put_empty(p_)); }
  void integer(int16_t v) { done(put_integer(p_, v)); }
  // Many reals at once: the room left in the chunk is reckoned once for all
  // that fit in it.
  void reals(const double* v, size_t n) {
    constexpr size_t kReal = element_bytes(Tag::kDouble);
    for (size_t i = 0; i < n;) {
      const size_t used = static_cast<size_t>(p_ - buf_.data());
      const size_t k = std::min(n - i, (chunk_ - used + kReal - 1) / kReal);
      char* p = p_;
      for (size_t j = 0; j < k; ++j) p = put_double(p, v[i + j]);
      i += k;
      done(p);
    }
  }

  void flush() {
    if (p_ == buf_.data()) return;
    const size_t n = static_cast<size_t>(p_ - buf_.data());
    sink_(offset_, std::string_view(buf_.data(), n));
    offset_ += n;
    p_ = buf_.data();
  }

 private:
  void done(char* p) {
    p_ = p;
    if (static_cast<size_t>(p_ - buf_.data()) >= chunk_) flush();
  }

  const PlanSink& sink_;
  size_t chunk_;
  uint64_t offset_;
  std::vector<char> buf_;
  char* p_;
};

// A block of the line plan, X or Y of every metre from 0 up: the seeds, the
// computed points, then an empty element for every metre never reached.
void put_seeds(PlanWriter& w, const TrackPlan& plan, bool is_y) {
  if (!plan.seeded()) return;
  for (int32_t m = 0; m < 2 && m <= plan.last_metre(); ++m) w.integer((is_y ? kSeedY : kSeedX)[m]);
}

void put_empties(PlanWriter& w, const TrackPlan& plan) {
  const int32_t first = plan.seeded() ? std::max(plan.cursor(), 2) : 0;
  for (int32_t m = first; m <= plan.last_metre(); ++m) w.empty();
}

// The points come one after the other, each from the two before it; they
// are read in batches and encoded apart from that chain.
constexpr size_t kBatch = 512;

void put_block(PlanWriter& w, const TrackPlan& plan, bool is_y) {
  put_seeds(w, plan, is_y);
  if (plan.seeded()) {
    TrackPlan::Reader r(plan);
    double xs[kBatch], ys[kBatch];
    while (const size_t n = r.read(xs, ys, kBatch)) w.reals(is_y ? ys : xs, n);
  }
  put_empties(w, plan);
}

// What a block holds: its metres, and from the order of its elements (the
// seeds or none, then the computed points, then the empty metres) the tag of
// each.
struct BlockShape {
  int64_t metres = 0;
  bool seeded = false;
  int64_t computed_end = 2;  // the first metre from 2 on that holds no double
  Tag tag(int64_t m) const {
    if (!seeded) return Tag::kEmpty;
    if (m < 2) return Tag::kInteger;
    return m < computed_end ? Tag::kDouble : Tag::kEmpty;
  }
};

// Reads one block, checking each element against the order in which the
// compiler fills a plan: the two seeds or none, then the computed points,
// then the metres never reached. The Y block must hold, metre by metre, the
// kinds of element the X block holds.
class BlockReader {
 public:
  BlockReader(std::string_view bytes, size_t from, size_t to, bool is_y, const BlockShape* x)
      : bytes_(bytes), at_(from), to_(to), is_y_(is_y), x_(x) {}

  BlockShape read() {
    BlockShape shape;
    int64_t m = 0;
    for (; at_ < to_; ++m) {
      if (m >= kMostPlanMetres)
        throw FormatError(at_, "the " + std::string(is_y_ ? "Y" : "X") + " block goes on past metre " +
                                   std::to_string(kMostPlanMetres - 1) +
                                   ", the last of the longest route's plan");
      const PlanValue p = element(m);
      check_order(m, p);
      if (m == 0) shape.seeded = p.tag == Tag::kInteger;
      if (p.tag == Tag::kDouble) shape.computed_end = m + 1;
    }
    shape.metres = m;
    if (x_ && m < x_->metres)
      throw FormatError(at_, "the Y block ends after metre " + std::to_string(m - 1) +
                                 ", the X block after metre " + std::to_string(x_->metres - 1));
    return shape;
  }

 private:
  std::string coordinate(int64_t m) const {
    return std::string(is_y_ ? "Y" : "X") + " of metre " + std::to_string(m);
  }

  PlanValue element(int64_t m) {
    element_at_ = at_;
    if (to_ - at_ < kPlanTagBytes)
      throw FormatError(at_, "the " + std::string(is_y_ ? "Y" : "X") +
                                 " block ends inside the tag of " + coordinate(m));
    const uint16_t tag = get_le<uint16_t>(bytes_.data() + at_);
    const PlanElement* e = plan_element(tag);
    if (!e)
      throw FormatError(at_, coordinate(m) + " has the tag " + std::to_string(tag) +
                                 "; a line plan holds 0 (empty), 2 (integer) and 5 (double)");
    if (to_ - at_ < kPlanTagBytes + e->value_bytes)
      throw FormatError(at_, coordinate(m) + ", " + name(e->tag) + ", runs past the end of the " +
                                 (is_y_ ? "Y" : "X") + " block at byte " + std::to_string(to_));
    const char* v = bytes_.data() + at_ + kPlanTagBytes;
    at_ += kPlanTagBytes + e->value_bytes;
    switch (e->tag) {
      case Tag::kInteger:
        return {e->tag, static_cast<double>(get_le<int16_t>(v))};
      case Tag::kDouble:
        return {e->tag, get_le<double>(v)};
      case Tag::kEmpty:
        break;
    }
    return {};
  }

  void check_order(int64_t m, const PlanValue& p) {
    const auto fail = [&](const std::string& why) { throw FormatError(element_at_, why); };
    if (x_) {
      if (m >= x_->metres)
        fail("the Y block goes on past metre " + std::to_string(x_->metres - 1) +
             ", the last of the X block");
      const Tag in_x = x_->tag(m);
      if (p.tag != in_x)
        fail(coordinate(m) + " is " + name(p.tag) + " but X of it is " + name(in_x));
    }
    if (m == 0) seeded_ = p.tag == Tag::kInteger;
    if (m < 2 && seeded_) {
      const int16_t seed = (is_y_ ? kSeedY : kSeedX)[m];
      if (p.tag != Tag::kInteger)
        fail(coordinate(m) + " is " + name(p.tag) + " but metre 0 is a seed, and so is metre 1");
      if (p.value != seed)
        fail(coordinate(m) + " is the integer " + std::to_string(static_cast<int>(p.value)) +
             "; the seed there is " + std::to_string(seed));
      return;
    }
    switch (p.tag) {
      case Tag::kInteger:
        if (m < 2)
          fail(coordinate(m) +
               " is an integer but metre 0 is empty: a plan has both seeds or none");
        fail(coordinate(m) + " is an integer; only the seeds of metres 0 and 1 are");
        break;
      case Tag::kDouble:
        if (!seeded_)
          fail(coordinate(m) + " is a double, but the plan has no seeds to compute it from");
        if (after_empty_)
          fail(coordinate(m) + " is a double after an empty metre; a plan is computed in order");
        if (!std::isfinite(p.value)) fail(coordinate(m) + " is not a finite number");
        break;
      case Tag::kEmpty:
        after_empty_ = true;
        break;
    }
  }

  static std::string name(Tag tag) {
    const std::string_view n = plan_element(static_cast<uint16_t>(tag))->name;
    return (n == "empty" ? "" : n == "integer" ? "an " : "a ") + std::string(n);
  }

  std::string_view bytes_;
  size_t at_, to_;
  size_t element_at_ = 0;
  bool is_y_;
  const BlockShape* x_;
  bool seeded_ = false;
  bool after_empty_ = false;
};

struct Step {
  double x, y;
};

// The point after p1 by a step, exactly as the compiler works it out
// (track_plan.cc): straight track repeats the last step, a curve turns it.
inline Step next_point(int step, double x0, double y0, double x1, double y1) {
  if (step == 0) return {x1 + (x1 - x0), y1 + (y1 - y0)};
  const double c = plan_step_curvature(step);
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  return {x1 + (dx + c * dy), y1 + (dy - c * dx)};
}

bool same_bits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

}  // namespace

// Working the points out is most of the work: for a sink that takes the
// bytes in order, it is done twice, once a block.
void encode_line_plan(const TrackPlan& plan, const std::function<void(std::string_view)>& sink,
                      size_t chunk) {
  if (!plan.created()) return;
  const PlanSink in_order = [&sink](uint64_t, std::string_view piece) { sink(piece); };
  PlanWriter w(in_order, chunk, 0);
  put_block(w, plan, false);
  put_block(w, plan, true);
  w.flush();
}

void encode_line_plan_at(const TrackPlan& plan, const PlanSink& sink, size_t chunk) {
  if (!plan.created()) return;
  PlanWriter xs(sink, chunk, 0);
  PlanWriter ys(sink, chunk, line_plan_bytes(plan) / 2);
  put_seeds(xs, plan, false);
  put_seeds(ys, plan, true);
  if (plan.seeded()) {
    TrackPlan::Reader r(plan);
    double bx[kBatch], by[kBatch];
    while (const size_t n = r.read(bx, by, kBatch)) {
      xs.reals(bx, n);
      ys.reals(by, n);
    }
  }
  put_empties(xs, plan);
  put_empties(ys, plan);
  xs.flush();
  ys.flush();
}

uint64_t line_plan_bytes(const TrackPlan& plan) {
  if (!plan.created()) return 0;
  const uint64_t metres = static_cast<uint64_t>(plan.last_metre()) + 1;
  if (!plan.seeded()) return 2 * element_bytes(Tag::kEmpty) * metres;
  const uint64_t seeds = std::min<uint64_t>(2, metres);
  const uint64_t computed = static_cast<uint64_t>(plan.cursor()) - 2;
  return 2 * (element_bytes(Tag::kInteger) * seeds + element_bytes(Tag::kDouble) * computed +
              element_bytes(Tag::kEmpty) * (metres - seeds - computed));
}

DecodedPlan decode_line_plan(std::string_view bytes) {
  if (bytes.empty())
    throw FormatError(0, "the file is empty; a line plan holds at least one metre");
  if (bytes.size() > kLargestLinePlanFile)
    throw FormatError(kLargestLinePlanFile, "the file holds " + std::to_string(bytes.size()) +
                                                " bytes, more than the longest route's plan (" +
                                                std::to_string(kLargestLinePlanFile) + ")");
  if (bytes.size() % 2 != 0)
    throw FormatError(bytes.size() - 1, "the file holds an odd number of bytes, " +
                                            std::to_string(bytes.size()) +
                                            "; its X and Y blocks are of one length");
  const size_t half = bytes.size() / 2;
  const BlockShape shape = BlockReader(bytes, 0, half, false, nullptr).read();
  BlockReader(bytes, half, bytes.size(), true, &shape).read();

  DecodedPlan plan;
  plan.last_metre_ = static_cast<int32_t>(shape.metres - 1);
  plan.seeded_ = shape.seeded;
  if (!shape.seeded || shape.computed_end <= 2) return plan;
  // Each computed point against the steps, the one of the metre before
  // first: a curve goes on for many metres.
  const size_t computed = static_cast<size_t>(shape.computed_end - 2);
  plan.steps_.resize(computed);
  size_t xat = 2 * element_bytes(Tag::kInteger) + kPlanTagBytes;
  size_t yat = half + xat;
  double x0 = kSeedX[0], y0 = kSeedY[0], x1 = kSeedX[1], y1 = kSeedY[1];
  int current = 0;
  for (size_t i = 0; i < computed; ++i) {
    const double x = get_le<double>(bytes.data() + xat), y = get_le<double>(bytes.data() + yat);
    xat += element_bytes(Tag::kDouble);
    yat += element_bytes(Tag::kDouble);
    const auto gives = [&](int step) {
      const Step p = next_point(step, x0, y0, x1, y1);
      return same_bits(p.x, x) && same_bits(p.y, y);
    };
    int found = -1;
    if (gives(current)) {
      found = current;
    } else {
      for (int k = 0; k < kPlanSteps && found < 0; ++k)
        if (k != current && gives(k)) found = k;
    }
    if (found >= 0) {
      plan.steps_[i] = static_cast<uint8_t>(found);
      current = found;
    } else {
      plan.steps_[i] = kNoStep;
      plan.unstepped_.push_back({x, y});
    }
    x0 = x1;
    y0 = y1;
    x1 = x;
    y1 = y;
  }
  return plan;
}

TrackPlan::Tag DecodedPlan::tag(int32_t m) const {
  if (m < 0 || m > last_metre_ || !seeded_) return Tag::kEmpty;
  if (m < 2) return Tag::kInteger;
  return m <= last_computed() ? Tag::kDouble : Tag::kEmpty;
}

PlanValue DecodedPlan::value(int32_t m, bool y) const {
  switch (tag(m)) {
    case Tag::kEmpty:
      return {};
    case Tag::kInteger:
      return {Tag::kInteger, static_cast<double>((y ? kSeedY : kSeedX)[m])};
    case Tag::kDouble:
      break;
  }
  if (m < at_) {
    at_ = 1;
    unstepped_at_ = 0;
    p0_ = {kSeedX[0], kSeedY[0]};
    p1_ = {kSeedX[1], kSeedY[1]};
  }
  while (at_ < m) {
    ++at_;
    const uint8_t s = step(at_);
    Point p;
    if (s == kNoStep) {
      p = unstepped_[unstepped_at_++];
    } else {
      const Step n = next_point(s, p0_.x, p0_.y, p1_.x, p1_.y);
      p = {n.x, n.y};
    }
    p0_ = p1_;
    p1_ = p;
  }
  return {Tag::kDouble, y ? p1_.y : p1_.x};
}

std::vector<PlanValue> DecodedPlan::values(bool y) const {
  std::vector<PlanValue> out;
  for (int32_t m = 0; m <= last_metre_; ++m) out.push_back(value(m, y));
  return out;
}

uint64_t DecodedPlan::offset_of(bool y, int32_t m) const {
  const auto before = [this](int64_t k) {
    uint64_t at = 0;
    if (seeded_) {
      const int64_t seeds = std::min<int64_t>(k, 2);
      at += element_bytes(Tag::kInteger) * static_cast<uint64_t>(seeds);
      k -= seeds;
      const int64_t doubles = std::min<int64_t>(k, static_cast<int64_t>(steps_.size()));
      at += element_bytes(Tag::kDouble) * static_cast<uint64_t>(doubles);
      k -= doubles;
    }
    return at + element_bytes(Tag::kEmpty) * static_cast<uint64_t>(k);
  };
  return (y ? before(int64_t{last_metre_} + 1) : 0) + before(m);
}

DecodedPlan DecodedPlan::from_values(const std::vector<PlanValue>& x,
                                     const std::vector<PlanValue>& y) {
  return decode_line_plan(encode_plan_block(x) + encode_plan_block(y));
}

bool operator==(const DecodedPlan& a, const DecodedPlan& b) {
  if (a.last_metre_ != b.last_metre_ || a.seeded_ != b.seeded_ || a.steps_ != b.steps_ ||
      a.unstepped_.size() != b.unstepped_.size())
    return false;
  for (size_t i = 0; i < a.unstepped_.size(); ++i)
    if (!same_bits(a.unstepped_[i].x, b.unstepped_[i].x) ||
        !same_bits(a.unstepped_[i].y, b.unstepped_[i].y))
      return false;
  return true;
}

std::string encode_plan_block(const std::vector<PlanValue>& block) {
  size_t size = 0;
  for (const PlanValue& v : block) {
    if (!plan_element(static_cast<uint16_t>(v.tag)))
      throw std::invalid_argument("a line plan coordinate has a tag no plan holds");
    size += element_bytes(v.tag);
  }
  std::string out(size, '\0');
  char* p = out.data();
  for (const PlanValue& v : block) {
    p = put_value(p, v);
  }
  return out;
}

std::string encode_line_plan(const DecodedPlan& plan) {
  if (plan.last_metre() < 0) return "";
  const uint64_t half = plan.offset_of(true, 0);
  std::string out(2 * half, '\0');
  for (const bool y : {false, true}) {
    char* p = out.data() + (y ? half : 0);
    for (int32_t m = 0; m <= plan.last_metre(); ++m) {
      const PlanValue v = y ? plan.y(m) : plan.x(m);
      p = put_value(p, v);
    }
  }
  return out;
}

}  // namespace scenarioc
