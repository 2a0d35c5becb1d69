#include "model/scenario_tables.h"

#include <algorithm>

namespace scenarioc {

std::string kind_name(uint8_t kind) {
  switch (kind) {
    case kEmpty: return "nothing";
    case kSignal: return "a signal";
    case kSlowDownEnd: return "the end of a slow-down";
    case kSlowDownStart: return "the start of a slow-down";
    case kWarningBoard: return "a slow-down warning board";
    case kApproach: return "an approach cell of a slow-down warning board";
    case kSpeedBoard: return "a speed board";
    case kStationStop: return "a station stop";
    case kMountainMarker: return "a mountain marker";
    case kPointWithValue:
    case kPointWithoutValue: return "a braking point";
    case kSign: return "a sign";
  }
  return "an occupant of kind " + std::to_string(kind);
}

void Scenario::record(Failure f) {
  error_code = f.code;
  if (f.position) error_position = *f.position;
  failures.push_back(std::move(f));
}

void Scenario::clear_scenario_table() {
  for (ScenarioRecord& r : scenario_table) r = ScenarioRecord{};
}

void Scenario::create_route(int32_t cells_last) {
  route.assign(static_cast<size_t>(cells_last) + 1, RouteCell{});
  origins.reset(route.size());
  route_created = true;
}

}  // namespace scenarioc
