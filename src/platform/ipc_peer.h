// Simulator-side IPC transport (orvane-sim): registers a peer and answers batches.
#pragma once

namespace platform {}  // filled in by the IPC transport
