// The optional frame-rate cap ("WINDOW"/"MAXFPS"): decides when the next frame is due.
#pragma once

#include <cstdint>

class FramePacer {
 public:
  // maxFps <= 0: no cap.
  explicit FramePacer(double maxFps);

  // At time nowMicros: 0 when a frame may be drawn now (the frame is then booked), otherwise
  // the microseconds until it is due. A frame late by more than one interval restarts the
  // schedule instead of drawing a burst of frames to catch up.
  uint64_t Check(uint64_t nowMicros);

 private:
  uint64_t interval_ = 0;  // microseconds per frame, 0 = no cap
  uint64_t due_ = 0;
  bool started_ = false;
};

// The frame rate to pace to when VSYNC=Y is refused by the driver: the monitor's refresh rate
// `reportedHz`, or PacingDefaultHz when the system gives none (0) or one outside 20 to 1000 Hz.
constexpr int PacingDefaultHz = 60;
int PacingRefreshHz(int reportedHz);
// The frame cap for the loop: `maxFps` (MAXFPS, 0 = none), lowered to `refreshHz` when that is set
// (above 0) and lower.
double FrameCap(double maxFps, int refreshHz);
