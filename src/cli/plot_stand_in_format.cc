#include "cli/plot_stand_in_format.h"

#include <bit>
#include <cstring>

namespace scenarioc {
namespace {

class Bytes {
 public:
  explicit Bytes(std::string_view b) : b_(b) {}
  uint64_t at() const { return at_; }
  bool done() const { return at_ == b_.size(); }
  void need(size_t n, const char* what) {
    if (b_.size() - at_ < n)
      throw FormatError(at_, std::string("the file ends inside ") + what);
  }
  uint8_t u8() { return static_cast<uint8_t>(b_[at_++]); }
  uint16_t u16() {
    const uint16_t v = static_cast<uint16_t>(u8() | (u8() << 8));
    return v;
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  int32_t i32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(u8()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  double f64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(u8()) << (8 * i);
    return std::bit_cast<double>(v);
  }
  std::string text(size_t n) {
    std::string s(b_.substr(at_, n));
    at_ += n;
    return s;
  }

 private:
  std::string_view b_;
  uint64_t at_ = 0;
};

}  // namespace

FormatError::FormatError(uint64_t offset, const std::string& message)
    : std::runtime_error("at byte " + std::to_string(offset) + ": " + message), offset_(offset) {}

std::vector<RouteCell> decode_route(std::string_view bytes) {
  if (bytes.empty()) throw FormatError(0, "the route file holds no cell");
  if (bytes.size() % 15 != 0)
    throw FormatError(bytes.size() - bytes.size() % 15, "the route file ends inside a cell");
  Bytes b(bytes);
  std::vector<RouteCell> cells(bytes.size() / 15);
  for (RouteCell& c : cells) {
    c.kind = b.u8();
    c.code1 = b.i16();
    c.code2 = b.i16();
    c.code3 = b.i16();
    c.code4 = b.i16();
    c.signal_time = b.u8();
    c.repeat_code = b.u8();
    c.mountain = b.u8();
    c.speed_limit = b.u8();
    c.gradient = b.u8();
    c.adhesion = b.u8();
  }
  return cells;
}

Timetable decode_timetable(std::string_view bytes) {
  Bytes b(bytes);
  Timetable rows{};
  for (ScenarioRecord& r : rows) {
    b.need(16, "a row");
    r.type = b.u8();
    r.start_pos = b.i32();
    r.stop_pos = b.i32();
    r.position = b.i32();
    r.byte_a = b.u8();
    const uint16_t n = b.u16();
    b.need(n + 18u, "a row");
    r.text = b.text(n);
    r.int_a = b.i16();
    r.int_b = b.i16();
    r.int_c = b.i16();
    r.int_d = b.i16();
    r.int_e = b.i16();
    r.byte_e = b.u8();
    r.byte_f = b.u8();
    r.byte_c = b.u8();
    r.byte_d = b.u8();
    r.time_s = b.i32();
  }
  if (!b.done()) throw FormatError(b.at(), "bytes after the last row");
  return rows;
}

DecodedPlan decode_line_plan(std::string_view bytes) {
  Bytes b(bytes);
  std::vector<PlanValue> all;
  while (!b.done()) {
    b.need(2, "a point");
    const uint64_t at = b.at();
    PlanValue v;
    switch (b.u16()) {
      case 0:
        break;
      case 2:
        b.need(2, "a point");
        v.tag = TrackPlan::Tag::kInteger;
        v.value = b.i16();
        break;
      case 5:
        b.need(8, "a point");
        v.tag = TrackPlan::Tag::kDouble;
        v.value = b.f64();
        break;
      default:
        throw FormatError(at, "a point of unknown type");
    }
    all.push_back(v);
  }
  if (all.empty() || all.size() % 2 != 0)
    throw FormatError(bytes.size(), "the line plan does not hold X and Y for every metre");
  DecodedPlan plan;
  const size_t n = all.size() / 2;
  plan.x.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
  plan.y.assign(all.begin() + static_cast<std::ptrdiff_t>(n), all.end());
  return plan;
}

}  // namespace scenarioc
