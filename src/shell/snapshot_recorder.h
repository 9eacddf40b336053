// Headless recording of the live display: PNG snapshots at an interval, a frame log and a bounded run time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/flight_state.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"

// Reads ORVANE_SNAPSHOT_DIR (folder for the PNGs, made when missing; off when unset), ORVANE_SNAPSHOT_EVERY_MS
// (default 5000), ORVANE_RUN_SECONDS (end the run after that many seconds; 0 = no limit),
// ORVANE_FRAME_LOG (a file that gets one line per drawn frame; off when unset, see
// RecorderAfterFrame) and ORVANE_STARTUP_LOG (a file that gets one line
//   <loop_start_us> <first_frame_drawn_us> <first_swap_us>
// on the monotonic clock, the swap noted at the first look at the message queue after it; the run
// then ends after the next frame; off when unset). The display takes no command-line arguments:
// these are for the demo job, tests and benchmarks only.
class SnapshotRecorder {
 public:
  SnapshotRecorder() = default;
  SnapshotRecorder(const SnapshotRecorder&) = delete;
  SnapshotRecorder& operator=(const SnapshotRecorder&) = delete;
  ~SnapshotRecorder();

  // `layout`: where the panel is in the window (snapshots and the flag are read there).
  void RecorderInit(const PanelLayout& layout);
  // Called by the main loop after every look at the message queue; `handled` tells that a message
  // was taken and dispatched. Feeds the frame log's message columns.
  void RecorderNoteMessagePump(bool handled);
  // Called after a frame is drawn, before the swap: writes a snapshot when one is due and, with the
  // frame log on, appends the line
  //   <frame> <end_us> <flag> <since_pump_us> <since_last_frame_us> <messages> <snapshot> <pitch_deg> <bank_deg> <flags>
  // frame: 0, 1, ...; end_us: the monotonic clock (the system's, so other processes can compare);
  // flag: 1 when the "ATT" failure flag is on the picture (read back from the drawn pixels where
  // the panel, today's or the full layout, draws it);
  // since_pump_us: time since the loop last looked at the message queue; since_last_frame_us: time
  // since the previous frame's line (since RecorderInit for the first); messages: messages handled
  // since the previous line; snapshot: index of the PNG written for this frame, or -1; pitch_deg and
  // bank_deg: the attitude `state` (converted) gives the picture, nose up and right wing down positive;
  // flags: the flags `picture` raises, as decided (not read from pixels), comma-separated, e.g.
  // "ALT,V/S" (the full layout's ATT, SPD, ALT, V/S, HDG, RA; today's panel's ATT), or "-".
  // Returns false when the run time is over and the main loop should end as if the window had been
  // closed.
  bool RecorderAfterFrame(const FlightState& state, const PanelPicture& picture);

 private:
  struct State {
    std::string dir;
    uint64_t everyUs = 5000000;
    uint64_t runUs = 0;
    uint64_t startUs = 0;
    uint64_t nextUs = 0;
    int count = 0;
    std::FILE* frameLog = nullptr;
    uint64_t frames = 0;
    uint64_t lastPumpUs = 0;
    uint64_t lastFrameUs = 0;
    uint64_t messages = 0;
    std::string startupLog;  // ORVANE_STARTUP_LOG
    uint64_t firstFrameUs = 0;
    bool startupWritten = false;
    PanelLayout layout = StandardLayout(332, 332);
  };
  void WriteFrameLine(uint64_t now, int snapshot, const FlightState& state, const PanelPicture& picture);
  void WriteStartupLine(uint64_t swappedUs);

  State r_;
};
