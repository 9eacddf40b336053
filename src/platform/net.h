// Socket compatibility for the block socket layer: POSIX or Winsock calls with Windows Sockets codes.
#pragma once

namespace platform {}  // filled in by the socket layer
