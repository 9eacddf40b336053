// Headless recording of the live display: PNG snapshots at an interval and a bounded run time.
#pragma once

// Reads ORVANE_SNAPSHOT_DIR (folder for the PNGs; off when unset), ORVANE_SNAPSHOT_EVERY_MS
// (default 5000) and ORVANE_RUN_SECONDS (end the run after that many seconds; 0 = no limit).
// The display takes no command-line arguments: these are for the demo job and tests only.
void RecorderInit();
// Called after a frame is drawn, before the swap: writes a snapshot when one is due. Returns false
// when the run time is over and the main loop should end as if the window had been closed.
bool RecorderAfterFrame();
