// The writers that place one item of a source into the route cells. Each
// returns its collision code (0 when the item was placed); the caller records
// it. A cell outside the route, or an 81st mountain stretch, throws
// RuntimeFailure after the writes made before it.
#pragma once

#include <cstdint>

#include "model/scenario_tables.h"

namespace scenarioc {

// Mountain stretch; `tipo` is changed in place. Never a collision.
void memo_montagna(Scenario& s, int32_t inizio, int32_t fine, int32_t& tipo);

// Board of maximum speeds: 0 or 21.
int32_t memo_indicatori_v_max(Scenario& s, int32_t posizione, int32_t vas,
                              int32_t vbs, int32_t vcs, int32_t strisces,
                              int32_t vad, int32_t vbd, int32_t vcd,
                              int32_t strisced);

// Signal: 0 or 16; `tempo` is changed in place.
int32_t memo_segnale(Scenario& s, int32_t posizione, int32_t sx, int32_t s1,
                     int32_t s2, int32_t s3, int32_t rapp, int32_t dx,
                     int32_t d1, int32_t d2, int32_t d3, int32_t& tempo);

// Slow-down: 0, 17, 18, 19 or 20.
int32_t memo_rallentamento(Scenario& s, int32_t x, int32_t v, int32_t l,
                           int32_t f_tt, int32_t f_ta, int32_t d_v);

}  // namespace scenarioc
