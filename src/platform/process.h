// What the process itself is told by the system, set once at start.
#pragma once

namespace scenarioc {

// A reader that goes away (`scenarioc dump ... | head`) must not end the run
// mid-write with a signal, which would leave its status and temporaries to
// chance: a write to a closed pipe then fails like a write to a full device,
// and the run reports it and ends as it does for one. Nothing to do where
// the system has no such signal.
void survive_closed_pipes();

// Standard input and output carry bytes as they are (the language server's
// messages are counted in bytes): no line-end translation where the system
// has one.
void binary_standard_streams();

}  // namespace scenarioc
