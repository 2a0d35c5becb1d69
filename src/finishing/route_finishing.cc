#include "finishing/route_finishing.h"

namespace scenarioc {

int32_t minimo(int32_t x, int32_t y) { return x > y ? y : x; }
void finish_route(Scenario&) {}
int32_t closing_checks(Scenario&) { return 0; }

}  // namespace scenarioc
