#include "decompiler/format_standin.h"

#include <cstring>

namespace scenarioc {
namespace {

class Bytes {
 public:
  explicit Bytes(std::string_view b) : b_(b) {}
  size_t at() const { return at_; }
  size_t left() const { return b_.size() - at_; }
  void need(size_t n, const char* what) const {
    if (left() < n) throw FormatError(at_, std::string("the file ends inside ") + what);
  }
  uint8_t u8() { return static_cast<uint8_t>(b_[at_++]); }
  uint16_t u16() {
    const uint16_t lo = u8();
    return static_cast<uint16_t>(lo | u8() << 8);
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
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
  std::string text(size_t n) {
    std::string t(b_.substr(at_, n));
    at_ += n;
    return t;
  }

 private:
  std::string_view b_;
  size_t at_ = 0;
};

}  // namespace

FormatError::FormatError(uint64_t offset, const std::string& message)
    : std::runtime_error("at byte " + std::to_string(offset) + ": " + message), offset_(offset) {}

std::vector<RouteCell> decode_route(std::string_view bytes) {
  if (bytes.empty()) throw FormatError(0, "the route file is empty");
  if (bytes.size() % kRouteCellBytes != 0)
    throw FormatError(bytes.size() - bytes.size() % kRouteCellBytes,
                      "the route file is not a whole number of 15-byte cells");
  Bytes b(bytes);
  std::vector<RouteCell> route(bytes.size() / kRouteCellBytes);
  for (RouteCell& c : route) {
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
  return route;
}

Timetable decode_timetable(std::string_view bytes) {
  Bytes b(bytes);
  Timetable t{};
  for (ScenarioRecord& r : t) {
    b.need(16, "a timetable row");
    r.type = b.u8();
    r.start_pos = b.i32();
    r.stop_pos = b.i32();
    r.position = b.i32();
    r.byte_a = b.u8();
    const size_t n = b.u16();
    b.need(n + kScenarioRecordFixedBytes - 16, "a timetable row");
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
  if (b.left() != 0) throw FormatError(b.at(), "bytes after the 87th timetable row");
  return t;
}

DecodedPlan decode_line_plan(std::string_view bytes) {
  Bytes b(bytes);
  std::vector<PlanValue> all;
  all.reserve(bytes.size() / 10 + 2);
  while (b.left() > 0) {
    b.need(2, "a line plan element");
    const size_t at = b.at();
    PlanValue v;
    switch (b.u16()) {
      case 0:
        break;
      case 2:
        b.need(2, "a line plan integer");
        v.tag = TrackPlan::Tag::kInteger;
        v.value = b.i16();
        break;
      case 5:
        b.need(8, "a line plan double");
        v.tag = TrackPlan::Tag::kDouble;
        v.value = b.f64();
        break;
      default:
        throw FormatError(at, "a line plan element of an unknown type");
    }
    all.push_back(v);
  }
  if (all.empty() || all.size() % 2 != 0)
    throw FormatError(bytes.size(), "the line plan does not hold an X and a Y for every metre");
  DecodedPlan plan;
  const auto half = all.begin() + static_cast<std::ptrdiff_t>(all.size() / 2);
  plan.y.assign(half, all.end());
  all.resize(all.size() / 2);
  plan.x = std::move(all);
  return plan;
}

std::string encode_line_plan(const DecodedPlan& plan) {
  size_t size = 0;
  for (const std::vector<PlanValue>* block : {&plan.x, &plan.y})
    for (const PlanValue& v : *block)
      size += v.tag == TrackPlan::Tag::kDouble ? 10 : v.tag == TrackPlan::Tag::kInteger ? 4 : 2;
  std::string out(size, '\0');
  char* p = out.data();
  auto put16 = [&p](uint16_t v) {
    *p++ = static_cast<char>(v & 0xff);
    *p++ = static_cast<char>(v >> 8);
  };
  for (const std::vector<PlanValue>* block : {&plan.x, &plan.y}) {
    for (const PlanValue& v : *block) {
      put16(static_cast<uint16_t>(v.tag));
      if (v.tag == TrackPlan::Tag::kInteger) {
        put16(static_cast<uint16_t>(static_cast<int16_t>(v.value)));
      } else if (v.tag == TrackPlan::Tag::kDouble) {
        uint64_t u;
        std::memcpy(&u, &v.value, sizeof u);
        for (int i = 0; i < 8; ++i) *p++ = static_cast<char>((u >> (8 * i)) & 0xff);
      }
    }
  }
  return out;
}

}  // namespace scenarioc
