#include "platform/binary_stdio.h"

namespace compila::platform {

void use_binary_standard_streams() {}

}  // namespace compila::platform
