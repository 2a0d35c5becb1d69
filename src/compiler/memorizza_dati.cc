#include "compiler/memorizza_dati.h"

namespace scenarioc {

void memorizza_dati(Scenario& s, Source&, Source&) {
  s.scenario_table[kLineRow].text = s.line_name;
  s.scenario_table[kTrainRow].text = s.train_number;
}

}  // namespace scenarioc
