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
