// FramePacer: a fixed frame interval from MAXFPS, with a schedule that does not drift.
#include "shell/frame_pacer.h"

FramePacer::FramePacer(double maxFps) {
  if (maxFps > 0.0) {
    const double micros = 1e6 / maxFps;
    interval_ = micros < 1.0 ? 1 : static_cast<uint64_t>(micros);
  }
}

uint64_t FramePacer::Check(uint64_t nowMicros) {
  if (interval_ == 0) return 0;
  if (!started_ || nowMicros >= due_ + interval_) {
    started_ = true;
    due_ = nowMicros + interval_;
    return 0;
  }
  if (nowMicros < due_) return due_ - nowMicros;
  due_ += interval_;
  return 0;
}

int PacingRefreshHz(int reportedHz) { return reportedHz >= 20 && reportedHz <= 1000 ? reportedHz : PacingDefaultHz; }

double FrameCap(double maxFps, int refreshHz) {
  if (refreshHz <= 0) return maxFps;
  return maxFps > 0.0 && maxFps < refreshHz ? maxFps : static_cast<double>(refreshHz);
}
