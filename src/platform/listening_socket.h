// The options of the socket a little server of this program listens on
// (the page server of `watch --serve`). Only the POSIX build has such a
// server; the Windows build serves nothing.
#pragma once

namespace scenarioc {

// The port may be taken again at once after an earlier server on it ended
// (its closed connections still wait out their time), but it is never
// shared with a server that listens on it now: a port in use stays a clear
// error, and no other program can take a share of the connections.
void set_listening_options(int socket);

}  // namespace scenarioc
