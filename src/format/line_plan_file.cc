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

// Reads one block, checking each element against the order in which the
// compiler fills a plan: the two seeds or none, then the computed points,
// then the metres never reached. The Y block must hold, metre by metre, the
// kinds of element the X block holds.
class BlockReader {
 public:
  BlockReader(std::string_view bytes, size_t from, size_t to, bool is_y,
              const std::vector<PlanValue>* x)
      : bytes_(bytes), at_(from), to_(to), is_y_(is_y), x_(x) {}

  void read(std::vector<PlanValue>& out) {
    for (int64_t m = 0; at_ < to_; ++m) {
      out.push_back(element(m));
      check_order(m, out.back());
    }
    if (x_ && out.size() < x_->size())
      throw FormatError(at_, "the Y block ends after metre " + std::to_string(out.size() - 1) +
                                 ", the X block after metre " + std::to_string(x_->size() - 1));
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
      if (static_cast<size_t>(m) >= x_->size())
        fail("the Y block goes on past metre " + std::to_string(x_->size() - 1) +
             ", the last of the X block");
      const Tag in_x = (*x_)[static_cast<size_t>(m)].tag;
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
  const std::vector<PlanValue>* x_;
  bool seeded_ = false;
  bool after_empty_ = false;
};

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
  if (bytes.size() % 2 != 0)
    throw FormatError(bytes.size() - 1, "the file holds an odd number of bytes, " +
                                            std::to_string(bytes.size()) +
                                            "; its X and Y blocks are of one length");
  const size_t half = bytes.size() / 2;
  DecodedPlan plan;
  BlockReader(bytes, 0, half, false, nullptr).read(plan.x);
  BlockReader(bytes, half, bytes.size(), true, &plan.x).read(plan.y);
  return plan;
}

std::string encode_line_plan(const DecodedPlan& plan) {
  if (plan.x.size() != plan.y.size())
    throw std::invalid_argument("a line plan needs as many Y as X coordinates");
  size_t size = 0;
  for (const std::vector<PlanValue>* block : {&plan.x, &plan.y})
    for (const PlanValue& v : *block) {
      if (!plan_element(static_cast<uint16_t>(v.tag)))
        throw std::invalid_argument("a line plan coordinate has a tag no plan holds");
      size += element_bytes(v.tag);
    }
  std::string out(size, '\0');
  char* p = out.data();
  for (const std::vector<PlanValue>* block : {&plan.x, &plan.y})
    for (const PlanValue& v : *block) {
      switch (v.tag) {
        case Tag::kEmpty:
          p = put_empty(p);
          break;
        case Tag::kInteger:
          p = put_integer(p, static_cast<int16_t>(v.value));
          break;
        case Tag::kDouble:
          p = put_double(p, v.value);
          break;
      }
    }
  return out;
}

}  // namespace scenarioc
