// Test helper for fault tests: the real display run headless with its frame log, and reading that log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/display_run.h"

namespace orvane_test {

// One line of the display's frame log (ORVANE_FRAME_LOG).
struct FrameRecord {
  uint64_t index = 0;
  uint64_t endUs = 0;          // monotonic clock of the system when the frame was drawn
  bool flag = false;           // the "ATT" failure flag was on the picture
  uint64_t sincePumpUs = 0;    // time since the loop last looked at the message queue
  uint64_t frameUs = 0;        // time since the previous frame (since the loop started, for the first)
  uint64_t messages = 0;       // messages handled since the previous frame
  int snapshot = -1;           // index of the PNG written for this frame, or -1
  double pitchDeg = 0;         // the attitude the frame was decided with, nose up positive
  double bankDeg = 0;          // right wing down positive
  std::string flags;           // the flags the decided picture raises, "ALT,V/S", or "-"
  // True when `flags` names `flag` ("ALT" in "ALT,V/S").
  bool Raises(const std::string& flag) const {
    return ("," + flags + ",").find("," + flag + ",") != std::string::npos;
  }
  uint64_t StartUs() const { return endUs - frameUs; }
};

// Parses a frame log; lines that do not parse are skipped. Missing file: empty.
std::vector<FrameRecord> ReadFrameLog(const std::string& path);

// Runs of consecutive flagged frames, as [first, last] frame indexes.
std::vector<std::pair<uint64_t, uint64_t>> FlagRuns(const std::vector<FrameRecord>& frames);
// The longest time between two frames (the first frame's time since the loop started included).
uint64_t LongestFrameGapUs(const std::vector<FrameRecord>& frames);
// A short text for failure messages: frame count and the flag runs with their times.
std::string DescribeFrames(const std::vector<FrameRecord>& frames);

// OrvaneGCPfd in a scratch folder with the run folder's artwork, headless, with its frame log on,
// optionally recording snapshots and ending by itself after a run time.
class FaultDisplay {
 public:
  FaultDisplay();
  FaultDisplay(const FaultDisplay&) = delete;
  FaultDisplay& operator=(const FaultDisplay&) = delete;

  // Network mode against 127.0.0.1:port with the optional keys.
  void UseNetwork(uint16_t port, bool reconnect, bool pipeline = false);
  // Starts it. runSeconds 0 = until stopped; snapshotEveryMs 0 = no snapshots.
  bool Start(uint32_t runSeconds = 0, uint32_t snapshotEveryMs = 0);
  // The frame log so far.
  std::vector<FrameRecord> Frames() const;
  // Polls the frame log (every 10 ms) until `done` holds or the bound passes; true when it held.
  bool WaitFrames(const std::function<bool(const std::vector<FrameRecord>&)>& done, uint32_t timeoutMs) const;
  // The PNG of a snapshot index (empty when missing).
  std::string SnapshotBytes(int index) const;
  DisplayRun& Run() { return run_; }
  std::string Output() const { return run_.Output(); }

 private:
  DisplayRun run_;
  std::string frameLog_;
};

// Sets an environment variable for the processes started after it ("" = off for the display's
// recording variables).
void SetEnvironment(const std::string& name, const std::string& value);

}  // namespace orvane_test
