#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/binary_stdio.h"

namespace compila::platform {

void use_binary_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace compila::platform
