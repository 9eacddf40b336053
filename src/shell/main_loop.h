// MainLoop: open the window, check the connection, pump messages and draw frames, tear down.
#pragma once

#include <cstdint>

// Runs the display until the window is closed or a frame asks to stop. Returns 0 when the window
// could not be created, otherwise the quit message's code (0).
int32_t MainLoop();
