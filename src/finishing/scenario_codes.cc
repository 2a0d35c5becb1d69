#include "finishing/scenario_codes.h"

namespace scenarioc {

int32_t codice_gara_st(Scenario&) { return 0; }
int16_t codice_gara_og(Scenario&) { return 0; }

}  // namespace scenarioc
