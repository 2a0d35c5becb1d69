#include "model/scenario_tables.h"

#include <algorithm>

namespace scenarioc {

std::string kind_name(uint8_t kind) {
  for (const CellKindName& k : kCellKinds)
    if (k.kind == kind) return std::string(k.phrase);
  return "an occupant of kind " + std::to_string(kind);
}

void Scenario::record(Failure f) {
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
