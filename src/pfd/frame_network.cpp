// The network-mode frame: one request per read-list row, then the shared frame rules and drawing.
#include "pfd/frames.h"

// First version: the requests are being written; the frame draws nothing yet.
bool DrawFrameNetwork() { return true; }
