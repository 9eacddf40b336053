// The two frame operations the main loop calls: one complete picture from the chosen data source.
#pragma once

// Simulator mode: one IPC exchange, then decide and draw. Always true.
bool DrawFrameIpc();
// Network mode: the requests to the data server, then decide and draw. Always true.
bool DrawFrameNetwork();
