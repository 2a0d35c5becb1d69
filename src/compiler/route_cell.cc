#include "compiler/route_cell.h"

namespace scenarioc {

std::string outside_route(const Scenario& s, int64_t c, const std::string& subject) {
  if (!s.route_created)
    return subject + " needs the route, but no route length has been given before it";
  if (c < 0)
    return subject + " lies before the start of the route (cell " + std::to_string(c) +
           ")";
  return subject + " lies past the end of the route (cell " + std::to_string(c) +
         ", the last is " + std::to_string(s.cell_count) + ")";
}

}  // namespace scenarioc
