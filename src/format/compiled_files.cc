#include "format/compiled_files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace scenarioc {
namespace {

// Each field goes byte by byte, low byte first, straight into a buffer that
// holds the whole file or a chunk of it; the compiler merges the bytes into
// one store, and no call is made a field.
char* put_u8(char* p, uint8_t v) {
  *p = static_cast<char>(v);
  return p + 1;
}

char* put_u16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xff);
  p[1] = static_cast<char>(v >> 8);
  return p + 2;
}

char* put_i16(char* p, int16_t v) { return put_u16(p, static_cast<uint16_t>(v)); }

char* put_i32(char* p, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xff);
  return p + 4;
}

char* put_f64(char* p, double v) {
  static_assert(sizeof(uint64_t) == sizeof v);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);  // the line plan's millions of doubles
  } else {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xff);
  }
  return p + 8;
}

char* put_cell(char* p, const RouteCell& c) {
  p = put_u8(p, c.kind);
  p = put_i16(p, c.code1);
  p = put_i16(p, c.code2);
  p = put_i16(p, c.code3);
  p = put_i16(p, c.code4);
  p = put_u8(p, c.signal_time);
  p = put_u8(p, c.repeat_code);
  p = put_u8(p, c.mountain);
  p = put_u8(p, c.speed_limit);
  p = put_u8(p, c.gradient);
  return put_u8(p, c.adhesion);
}

char* put_record(char* p, const ScenarioRecord& r) {
  p = put_u8(p, r.type);
  p = put_i32(p, r.start_pos);
  p = put_i32(p, r.stop_pos);
  p = put_i32(p, r.position);
  p = put_u8(p, r.byte_a);
  p = put_u16(p, static_cast<uint16_t>(r.text.size()));
  if (!r.text.empty()) std::memcpy(p, r.text.data(), r.text.size());
  p += r.text.size();
  p = put_i16(p, r.int_a);
  p = put_i16(p, r.int_b);
  p = put_i16(p, r.int_c);
  p = put_i16(p, r.int_d);
  p = put_i16(p, r.int_e);
  p = put_u8(p, r.byte_e);
  p = put_u8(p, r.byte_f);
  p = put_u8(p, r.byte_c);
  p = put_u8(p, r.byte_d);
  return put_i32(p, r.time_s);
}

using PlanSink = std::function<void(uint64_t, std::string_view)>;

// The line plan's elements go into a buffer handed to the sink, with the
// offset in the file it belongs at, once it holds `chunk` bytes or more.
class PlanWriter {
 public:
  static constexpr size_t kLongestElement = 10;

  PlanWriter(const PlanSink& sink, size_t chunk, uint64_t offset)
      : sink_(sink),
        chunk_(std::max<size_t>(chunk, 1)),
        offset_(offset),
        buf_(chunk_ + kLongestElement) {
    p_ = buf_.data();
  }

  void empty() { done(put_u16(p_, static_cast<uint16_t>(TrackPlan::Tag::kEmpty))); }
  void integer(int16_t v) {
    done(put_i16(put_u16(p_, static_cast<uint16_t>(TrackPlan::Tag::kInteger)), v));
  }
  void real(double v) {
    done(put_f64(put_u16(p_, static_cast<uint16_t>(TrackPlan::Tag::kDouble)), v));
  }
  // Many reals at once: the room left in the chunk is reckoned once for all
  // that fit in it.
  void reals(const double* v, size_t n) {
    constexpr size_t kReal = 10;
    for (size_t i = 0; i < n;) {
      const size_t used = static_cast<size_t>(p_ - buf_.data());
      const size_t k = std::min(n - i, (chunk_ - used + kReal - 1) / kReal);
      char* p = p_;
      for (size_t j = 0; j < k; ++j)
        p = put_f64(put_u16(p, static_cast<uint16_t>(TrackPlan::Tag::kDouble)), v[i + j]);
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
  for (int32_t m = 0; m < 2 && m <= plan.last_metre(); ++m) w.integer(is_y && m == 1 ? 1 : 0);
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

}  // namespace

std::string encode_route(const Scenario& s) {
  std::string out(s.route.size() * kRouteCellBytes, '\0');
  char* p = out.data();
  for (const RouteCell& c : s.route) p = put_cell(p, c);
  return out;
}

std::string encode_timetable(const Scenario& s) {
  size_t size = 0;
  for (const ScenarioRecord& r : s.scenario_table) {
    if (r.text.size() > 0xffff)
      throw std::length_error("a timetable text is longer than 65535 bytes");
    size += kScenarioRecordFixedBytes + r.text.size();
  }
  std::string out(size, '\0');
  char* p = out.data();
  for (const ScenarioRecord& r : s.scenario_table) p = put_record(p, r);
  return out;
}

// Working the points out is most of the work: for a sink that takes the
// bytes in order, it is done twice, once a block.
void encode_line_plan(const TrackPlan& plan,
                      const std::function<void(std::string_view)>& sink,
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
  if (!plan.seeded()) return 2 * 2 * metres;
  const uint64_t seeds = std::min<uint64_t>(2, metres);
  const uint64_t computed = static_cast<uint64_t>(plan.cursor()) - 2;
  return 2 * (4 * seeds + 10 * computed + 2 * (metres - seeds - computed));
}

}  // namespace scenarioc
