// The calling thread's last error on Linux (see last_error.h).
#include "platform/posix/last_error.h"

namespace platform {

namespace {
thread_local uint32_t tLastError = 0;
}  // namespace

uint32_t& ThreadLastError() { return tLastError; }

}  // namespace platform
