#include "compiler/progressive_ordina.h"

namespace scenarioc {

void progressive_ordina(Scenario&) {}

}  // namespace scenarioc
