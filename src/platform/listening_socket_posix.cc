#include <sys/socket.h>

#include "platform/listening_socket.h"

namespace scenarioc {

void set_listening_options(int socket) {
  // SO_REUSEADDR alone: SO_REUSEPORT would let a second server listen on
  // the same port beside this one.
  const int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace scenarioc
