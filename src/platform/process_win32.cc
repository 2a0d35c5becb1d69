#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/process.h"

namespace scenarioc {

// Windows raises no signal for a closed pipe: the write fails by itself.
void survive_closed_pipes() {}

// In text mode the C runtime would turn CR LF into LF on input and LF into
// CR LF on output, and every Content-Length would be wrong.
void binary_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace scenarioc
