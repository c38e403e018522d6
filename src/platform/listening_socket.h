// How a server's listening socket is set up before it is bound: alone on its
// port. A second server on a busy port must fail to bind (and say so), not
// share the port and take half of the first one's connections.
#pragma once

#include <cstdint>

namespace compila::platform {

// Sets the socket options on `socket` (a socket descriptor, or a Windows
// SOCKET) that keep its port to itself.
void keep_port_alone(std::uintptr_t socket);

}  // namespace compila::platform
