// The one interface to the operating system: everything outside src/platform includes only this.
#pragma once

#include "platform/system.h"
#include "platform/window.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
