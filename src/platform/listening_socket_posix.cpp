// POSIX: SO_REUSEADDR lets a restarted server bind again over connections
// still closing, but not while another socket listens there; SO_REUSEPORT,
// which would, is left off.
#include <sys/socket.h>

#include "platform/listening_socket.h"

namespace compila::platform {

void keep_port_alone(std::uintptr_t socket) {
  int yes = 1;
  setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace compila::platform
