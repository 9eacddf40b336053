// The MAXFPS frame cap: when frames are due, with a schedule that neither drifts nor bursts.
#include <gtest/gtest.h>

#include "shell/frame_pacer.h"

namespace {

TEST(FramePacer, WithoutCapEveryPassMayDraw) {
  for (double fps : {0.0, -1.0}) {
    FramePacer pacer(fps);
    for (uint64_t t : {0u, 1u, 2u, 1000000u}) EXPECT_EQ(pacer.Check(t), 0u) << fps;
  }
}

TEST(FramePacer, WaitsUntilTheNextFrameIsDue) {
  FramePacer pacer(50.0);  // 20 ms per frame
  const uint64_t t0 = 5000000;
  EXPECT_EQ(pacer.Check(t0), 0u);
  EXPECT_EQ(pacer.Check(t0 + 1), 19999u);
  EXPECT_EQ(pacer.Check(t0 + 15000), 5000u);
  EXPECT_EQ(pacer.Check(t0 + 20000), 0u);
  EXPECT_EQ(pacer.Check(t0 + 20001), 19999u) << "the next frame is booked from the due time";
}

TEST(FramePacer, SmallLatenessDoesNotShiftTheSchedule) {
  FramePacer pacer(100.0);  // 10 ms
  EXPECT_EQ(pacer.Check(0 + 1000), 0u);        // first frame at 1 ms, next due at 11 ms
  EXPECT_EQ(pacer.Check(14000), 0u);           // 3 ms late: drawn, next due at 21 ms
  EXPECT_EQ(pacer.Check(15000), 6000u);
  EXPECT_EQ(pacer.Check(21500), 0u);
  EXPECT_EQ(pacer.Check(22000), 9000u);
}

TEST(FramePacer, FallingBehindByAFrameRestartsInsteadOfBursting) {
  FramePacer pacer(100.0);
  EXPECT_EQ(pacer.Check(0), 0u);
  EXPECT_EQ(pacer.Check(500000), 0u);  // a long stall (window dragged, slow data source)
  EXPECT_EQ(pacer.Check(500001), 9999u) << "no catch-up frames after the stall";

  // The line lies at one whole interval of lateness: just under it the schedule holds, at it the
  // schedule starts again from the late frame.
  FramePacer edge(100.0);                 // 10 ms
  EXPECT_EQ(edge.Check(0), 0u);           // next due at 10 ms
  EXPECT_EQ(edge.Check(19999), 0u);       // 9.999 ms late: next due at 20 ms
  EXPECT_EQ(edge.Check(20000), 0u);       // on time: next due at 30 ms
  EXPECT_EQ(edge.Check(40000), 0u);       // 10 ms late: restarts, next due at 50 ms
  EXPECT_EQ(edge.Check(40001), 9999u);
}

TEST(FramePacer, CountsFramesAtTheCappedRate) {
  FramePacer pacer(60.0);
  int frames = 0;
  for (uint64_t t = 0; t < 1000000; t += 250) {  // one second of passes every 0.25 ms
    if (pacer.Check(t) == 0) ++frames;
  }
  EXPECT_GE(frames, 59);
  EXPECT_LE(frames, 61);
}

TEST(FramePacer, VeryHighCapStillHasAPositiveInterval) {
  FramePacer pacer(1e7);
  EXPECT_EQ(pacer.Check(10), 0u);
  EXPECT_EQ(pacer.Check(10), 1u);
  EXPECT_EQ(pacer.Check(11), 0u);
}

// VSYNC=Y refused by the driver: the loop is paced to the monitor (60 Hz when the system cannot
// say), and a lower MAXFPS still wins.
TEST(FramePacer, ARefusedVsyncPacesToTheMonitorOrSixtyHertz) {
  EXPECT_EQ(PacingRefreshHz(144), 144);
  EXPECT_EQ(PacingRefreshHz(59), 59);
  for (int unknown : {0, 1, -60, 100000}) EXPECT_EQ(PacingRefreshHz(unknown), 60) << unknown;
  EXPECT_DOUBLE_EQ(FrameCap(0.0, 60), 60.0);
  EXPECT_DOUBLE_EQ(FrameCap(30.0, 60), 30.0);
  EXPECT_DOUBLE_EQ(FrameCap(120.0, 75), 75.0);
  EXPECT_DOUBLE_EQ(FrameCap(45.0, 0), 45.0) << "swap interval accepted: MAXFPS alone";
  EXPECT_DOUBLE_EQ(FrameCap(0.0, 0), 0.0);
}

}  // namespace
