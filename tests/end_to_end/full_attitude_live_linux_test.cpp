// The full layout live against a stand-in X-Plane ([SIMULATOR] SOURCE=XPLANE, [PFD] LAYOUT=FULL):
// with pitch and bank unanswered the frame log raises ATT, the flag is read back from the drawn
// pixels where the full layout puts it, and the display's own snapshots show no sky or ground in
// the attitude area; while they arrive, the horizon is there and the flag is not.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

// A private PNG decoder for reading the display's snapshots back.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include "stb_image.h"
#pragma GCC diagnostic pop

#include "pfd/full_attitude.h"
#include "support/fake_xplane.h"
#include "support/faults_display.h"

namespace {

using orvane_test::FrameRecord;

struct Counts {
  int pixels = 0, sky = 0, ground = 0;
  bool decoded = false;
};

// Sky and ground pixels in the attitude area of a full-panel snapshot (PNG rows top first).
Counts SkyAndGround(const std::string& png) {
  Counts c;
  int w = 0, h = 0, n = 0;
  unsigned char* rgb =
      stbi_load_from_memory(reinterpret_cast<const unsigned char*>(png.data()), int(png.size()), &w, &h, &n, 3);
  if (rgb == nullptr) return c;
  c.decoded = w == full_layout::kPanelWidth && h == full_layout::kPanelHeight;
  const full_layout::Box& a = full_layout::kAttitudeSphere;
  for (int y = int(a.y0); c.decoded && y < int(a.y1); ++y) {
    for (int x = int(a.x0); x < int(a.x1); ++x) {
      const unsigned char* p = rgb + (size_t(h - 1 - y) * size_t(w) + size_t(x)) * 3;
      const int r = p[0], g = p[1], b = p[2];
      ++c.pixels;
      c.sky += b > 150 && b > r + 80 && g > 60 && g < 180;
      c.ground += r > 80 && r < 220 && g * 4 < r * 3 && g > b + 20 && b > 15;
    }
  }
  stbi_image_free(rgb);
  return c;
}

// The last snapshot of a frame whose flags read `flags`, after frame `after`; -1 when none.
int LastSnapshot(const std::vector<FrameRecord>& frames, const std::string& flags, uint64_t after) {
  int last = -1;
  for (const FrameRecord& f : frames)
    if (f.index > after && f.snapshot >= 0 && f.flags == flags) last = f.snapshot;
  return last;
}

TEST(FullLayoutLive, PitchAndBankUnansweredRaiseAttAndTheAttitudeAreaShowsNoHorizon) {
  const std::string kPitch = "sim/flightmodel/position/theta", kBank = "sim/flightmodel/position/phi";
  orvane_test::FakeXPlane xplane({});
  xplane.Set(kPitch, 3);
  xplane.Set(kBank, 12);
  xplane.Set("sim/cockpit2/gauges/indicators/altitude_ft_pilot", 5000);
  xplane.Set("sim/cockpit2/gauges/indicators/airspeed_kts_pilot", 250);
  xplane.Set("sim/cockpit2/gauges/indicators/vvi_fpm_pilot", 0);
  xplane.Set("sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", 29.92f);
  xplane.Set("sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", 3000);
  orvane_test::FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nSOURCE=XPLANE\nXPLANEHOST=127.0.0.1\nXPLANEPORT=" +
                                             std::to_string(xplane.Port()) + "\n[PFD]\nLAYOUT=FULL\n");
  ASSERT_TRUE(display.Start(0, 250));

  // Live: a snapshot of a frame that raises nothing, its horizon drawn and no flag read back.
  const bool live = display.WaitFrames([](const auto& f) { return LastSnapshot(f, "-", 0) >= 0; }, 30000);
  std::vector<FrameRecord> frames = display.Frames();
  ASSERT_TRUE(live) << orvane_test::DescribeFrames(frames) << "\n" << display.Output();
  const Counts before = SkyAndGround(display.SnapshotBytes(LastSnapshot(frames, "-", 0)));
  ASSERT_TRUE(before.decoded) << "a full-panel snapshot";
  EXPECT_GT(before.sky, before.pixels / 4) << "sky in the live attitude area";
  EXPECT_GT(before.ground, before.pixels / 4) << "ground in the live attitude area";
  EXPECT_FALSE(frames.back().flag) << "no ATT drawn over a live attitude";

  // Pitch and bank go unanswered: ATT alone, drawn where the full layout puts it, for 10 frames.
  xplane.Silence(kPitch);
  xplane.Silence(kBank);
  const uint64_t silencedAt = frames.back().index;
  auto attDrawn = [&](const std::vector<FrameRecord>& f) {
    if (f.size() < 10 || f.back().index < silencedAt + 10) return false;
    for (size_t i = f.size() - 10; i < f.size(); ++i)
      if (f[i].flags != "ATT" || !f[i].flag) return false;
    return LastSnapshot(f, "ATT", silencedAt) >= 0;
  };
  const bool raised = display.WaitFrames(attDrawn, 10000);
  frames = display.Frames();
  EXPECT_TRUE(raised) << "last frame: flags " << (frames.empty() ? "none" : frames.back().flags) << ", drawn flag "
                      << (!frames.empty() && frames.back().flag) << "\n" << orvane_test::DescribeFrames(frames);
  const Counts after = SkyAndGround(display.SnapshotBytes(LastSnapshot(frames, "ATT", silencedAt)));
  ASSERT_TRUE(after.decoded);
  EXPECT_EQ(after.sky, 0) << "no sky with the attitude lost";
  EXPECT_EQ(after.ground, 0) << "no ground with the attitude lost";

  // They answer again: the horizon comes back and the flag goes.
  xplane.Answer(kPitch);
  xplane.Answer(kBank);
  const uint64_t answeredAt = frames.back().index;
  EXPECT_TRUE(display.WaitFrames(
      [&](const auto& f) { return !f.empty() && !f.back().flag && LastSnapshot(f, "-", answeredAt) >= 0; }, 10000));
  frames = display.Frames();
  const Counts again = SkyAndGround(display.SnapshotBytes(LastSnapshot(frames, "-", answeredAt)));
  EXPECT_GT(again.sky, again.pixels / 4);
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  std::printf("[ figures  ] full layout, attitude area: live %d sky + %d ground of %d pixels; pitch and bank "
              "unanswered %d + %d\n",
              before.sky, before.ground, before.pixels, after.sky, after.ground);
}

}  // namespace
