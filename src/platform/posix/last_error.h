// The calling thread's last error on Linux, as GetLastError is on Windows: the IPC transport and the
// sockets set it with the numbers Windows would give.
#pragma once

#include <cstdint>

namespace platform {

uint32_t& ThreadLastError();

}  // namespace platform
