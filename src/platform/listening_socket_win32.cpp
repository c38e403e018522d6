// Windows: SO_REUSEADDR there would let another program take the port over,
// so the socket asks for exclusive use of its address instead.
#include <winsock2.h>

#include "platform/listening_socket.h"

namespace compila::platform {

void keep_port_alone(std::uintptr_t socket) {
  BOOL yes = TRUE;
  setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
             sizeof yes);
}

}  // namespace compila::platform
