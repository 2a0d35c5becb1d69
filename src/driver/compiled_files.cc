#include "driver/compiled_files.h"

#include <cstring>
#include <stdexcept>

namespace scenarioc {
namespace {

void put_u8(std::string& out, uint8_t v) { out.push_back(static_cast<char>(v)); }

void put_u16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}

void put_i16(std::string& out, int16_t v) { put_u16(out, static_cast<uint16_t>(v)); }

void put_i32(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>((u >> shift) & 0xff));
}

void put_f64(std::string& out, double v) {
  uint64_t u;
  static_assert(sizeof u == sizeof v);
  std::memcpy(&u, &v, sizeof u);
  for (int shift = 0; shift < 64; shift += 8)
    out.push_back(static_cast<char>((u >> shift) & 0xff));
}

void put_cell(std::string& out, const RouteCell& c) {
  put_u8(out, c.kind);
  put_i16(out, c.code1);
  put_i16(out, c.code2);
  put_i16(out, c.code3);
  put_i16(out, c.code4);
  put_u8(out, c.signal_time);
  put_u8(out, c.repeat_code);
  put_u8(out, c.mountain);
  put_u8(out, c.speed_limit);
  put_u8(out, c.gradient);
  put_u8(out, c.adhesion);
}

void put_record(std::string& out, const ScenarioRecord& r) {
  if (r.text.size() > 0xffff)
    throw std::length_error("a timetable text is longer than 65535 bytes");
  put_u8(out, r.type);
  put_i32(out, r.start_pos);
  put_i32(out, r.stop_pos);
  put_i32(out, r.position);
  put_u8(out, r.byte_a);
  put_u16(out, static_cast<uint16_t>(r.text.size()));
  out.append(r.text);
  put_i16(out, r.int_a);
  put_i16(out, r.int_b);
  put_i16(out, r.int_c);
  put_i16(out, r.int_d);
  put_i16(out, r.int_e);
  put_u8(out, r.byte_e);
  put_u8(out, r.byte_f);
  put_u8(out, r.byte_c);
  put_u8(out, r.byte_d);
  put_i32(out, r.time_s);
}

// One coordinate of one metre with its tag.
void put_coordinate(std::string& out, const TrackPlan& plan, int32_t m,
                    bool is_y) {
  const TrackPlan::Tag tag = plan.tag(m);
  put_u16(out, static_cast<uint16_t>(tag));
  switch (tag) {
    case TrackPlan::Tag::kEmpty:
      break;
    case TrackPlan::Tag::kInteger:
      put_i16(out, static_cast<int16_t>(is_y ? plan.y(m) : plan.x(m)));
      break;
    case TrackPlan::Tag::kDouble:
      put_f64(out, is_y ? plan.y(m) : plan.x(m));
      break;
  }
}

uint64_t tagged_bytes(TrackPlan::Tag tag) {
  switch (tag) {
    case TrackPlan::Tag::kEmpty: return 2;
    case TrackPlan::Tag::kInteger: return 4;
    case TrackPlan::Tag::kDouble: return 10;
  }
  return 2;
}

}  // namespace

std::string encode_route(const Scenario& s) {
  std::string out;
  out.reserve(s.route.size() * kRouteCellBytes);
  for (const RouteCell& c : s.route) put_cell(out, c);
  return out;
}

std::string encode_timetable(const Scenario& s) {
  std::string out;
  for (const ScenarioRecord& r : s.scenario_table) put_record(out, r);
  return out;
}

void encode_line_plan(const TrackPlan& plan,
                      const std::function<void(std::string_view)>& sink,
                      size_t chunk) {
  if (!plan.created()) return;
  std::string buf;
  buf.reserve(chunk + 16);
  for (int is_y = 0; is_y < 2; ++is_y) {
    for (int32_t m = 0; m <= plan.last_metre(); ++m) {
      put_coordinate(buf, plan, m, is_y != 0);
      if (buf.size() >= chunk) {
        sink(buf);
        buf.clear();
      }
    }
  }
  if (!buf.empty()) sink(buf);
}

uint64_t line_plan_bytes(const TrackPlan& plan) {
  if (!plan.created()) return 0;
  uint64_t total = 0;
  for (int32_t m = 0; m <= plan.last_metre(); ++m)
    total += tagged_bytes(plan.tag(m));
  return 2 * total;
}

}  // namespace scenarioc
