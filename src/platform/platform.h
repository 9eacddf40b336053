// All of the operating-system layer in one include. The headers it names (and gl.h, ipc_peer.h) are the
// only way code outside src/platform reaches the operating system, SDL or OpenGL's headers; each may
// also be included on its own. window.h, dialogs.h and gl.h belong to the display library
// (orvane_display), the rest to orvane_platform: a program without a window includes only those.
#pragma once

#include "platform/system.h"
#include "platform/window.h"
#include "platform/dialogs.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
