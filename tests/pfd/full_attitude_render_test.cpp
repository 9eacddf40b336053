// The full layout's attitude area drawn by the display's own code with the generated artwork, read
// back and probed by colour: no sky or ground with the attitude lost and "ATT" standing in the
// blank area, the radio altitude's figures under the aircraft symbol, the amber bank pointer, the
// marker and the tuned ILS, the deviation pointers. Built for Linux and Windows (run under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "pfd/full_attitude.h"
#include "pfd/full_frame_draw.h"
#include "pfd/full_layout.h"
#include "pfd/tape_rules.h"
#include "platform/gl.h"
#include "support/render_harness.h"

using namespace full_layout;
using orvane_test::RenderHarness;
using orvane_test::Rgb;

namespace {

bool IsSky(Rgb c) { return c.b > 150 && c.b > c.r + 80 && c.g > 60 && c.g < 180; }
// The ground's brown, not the aircraft symbol's yellow or the flags' amber faded at their edges.
bool IsGround(Rgb c) { return c.r > 80 && c.r < 220 && c.g * 4 < c.r * 3 && c.g > c.b + 20 && c.b > 15; }
bool IsWhite(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool IsAmber(Rgb c) { return c.r > 200 && c.g > 140 && c.g < 230 && c.b < 80; }
bool IsCyan(Rgb c) { return c.r < 80 && c.g > 150 && c.b > 170; }
bool IsMagenta(Rgb c) { return c.r > 200 && c.g < 120 && c.b > 200; }

// Level at 2.5 degrees nose up on the ILS, everything live; the radio altitude 40 ft.
PrimaryFlightValues Approach() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {140, true};
  v.headingMagneticDeg = {270, true};
  v.verticalSpeedFpm = {-700, true};
  v.altitudeFt = {140, true};
  v.pitchDeg = {2.5, true};
  v.bankDeg = {0, true};
  v.radioAltitudeFt = {40, true};
  return v;
}

class FullAttitudePicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    harness_ = new RenderHarness;
    std::string error;
    if (!harness_->Open(error)) {
      problem_ = "no GL surface: " + error;
      return;
    }
    if (!LoadTextureSet(harness_->Resources(), 1.0)) {
      problem_ = "no generated artwork in the run folder (build orvane-assetgen-run)";
      return;
    }
    if (!LoadFullLayoutTextures(textures_)) problem_ = "the full layout's textures are missing in the run folder";
  }
  static void TearDownTestSuite() {
    if (harness_ != nullptr && harness_->IsOpen()) glDeleteTextures(FullSlotCount, textures_.names);
    delete harness_;
    harness_ = nullptr;
  }
  void SetUp() override {
    if (!problem_.empty()) GTEST_SKIP() << problem_;
  }

  // Draws a full-layout frame at scale 1 with today's picture banked `bankDeg` (the interface's
  // sign), the ILS scales shown, and reads it back.
  void Draw(const PrimaryFlightValues& values, double bankDeg = 0) {
    RenderHarness::ResetGlState();
    harness_->ResetList();
    FrameDescription today;
    today.pitchOffset = -values.pitchDeg.value * kPitchOffsetPerDegree;
    today.bank = bankDeg;
    today.ilsState = 4;
    const FullFrameDescription frame = DecideFullFrame(today, values, {}, BaroUnit::Hpa);
    DrawFullFrame(harness_->List(), harness_->Resources(), textures_, frame, FullStandardLayout());
    harness_->Capture();
  }
  Rgb At(int x, int y) const { return harness_->At(x, y); }

  template <class Test>
  int Count(const Box& b, Test test) const {
    int n = 0;
    for (int y = int(b.y0); y < int(b.y1); ++y)
      for (int x = int(b.x0); x < int(b.x1); ++x) n += test(At(x, y));
    return n;
  }

  // The box around the white pixels inside `b` (x0 > x1 when there are none).
  Box WhiteInk(const Box& b) const {
    Box ink{1e9, 1e9, -1e9, -1e9};
    for (int y = int(b.y0); y < int(b.y1); ++y) {
      for (int x = int(b.x0); x < int(b.x1); ++x) {
        if (!IsWhite(At(x, y))) continue;
        ink = {std::min(ink.x0, double(x)), std::min(ink.y0, double(y)), std::max(ink.x1, x + 1.0),
               std::max(ink.y1, y + 1.0)};
      }
    }
    return ink;
  }

  static RenderHarness* harness_;
  static FullLayoutTextures textures_;
  static std::string problem_;
};

RenderHarness* FullAttitudePicture::harness_ = nullptr;
FullLayoutTextures FullAttitudePicture::textures_;
std::string FullAttitudePicture::problem_;

// The band above the sphere where the roll scale and its pointer are, left of the marker.
constexpr Box kRollBand{kAttitudeSphere.x0 - 20, kAttitudeSphere.y1 - 45, kAttitudeSphere.x1 - 20, kAttitudeSphere.y1 + 30};

TEST_F(FullAttitudePicture, WithTheAttitudeLostNoSkyOrGroundIsDrawnAndAttStandsAtTheCentre) {
  PrimaryFlightValues v = Approach();
  Draw(v);
  const int sphere = int(kAttitudeSphere.Width() * kAttitudeSphere.Height());
  EXPECT_GT(Count(kAttitudeSphere, IsSky) + Count(kAttitudeSphere, IsGround), sphere * 3 / 4)
      << "a live attitude fills the area with sky and ground";
  EXPECT_GT(Count(kRollBand, IsWhite), 20) << "the roll pointer under the scale";

  v.pitchDeg.valid = false;
  Draw(v);
  EXPECT_EQ(Count(kAttitudeSphere, IsSky), 0) << "no sky";
  EXPECT_EQ(Count(kAttitudeSphere, IsGround), 0) << "no ground";
  // "ATT" in amber on its black plate, centred on the aircraft symbol.
  const Box centre{kSymbolX - 20, kCentreY - 12, kSymbolX + 20, kCentreY + 12};
  const int amber = Count(centre, IsAmber);
  EXPECT_GT(amber, 60) << "amber ATT over the aircraft symbol";
  double sum = 0;
  for (int y = int(centre.y0); y < int(centre.y1); ++y)
    for (int x = int(centre.x0); x < int(centre.x1); ++x)
      if (IsAmber(At(x, y))) sum += x + 0.5;
  EXPECT_NEAR(sum / std::max(amber, 1), kSymbolX, 1.5) << "centred";
  EXPECT_GT(Count(centre, [](Rgb c) { return c.r < 24 && c.g < 24 && c.b < 24; }), 200) << "on black";
  EXPECT_GT(Count(kRollBand, IsWhite), 20) << "the roll scale stays";
}

TEST_F(FullAttitudePicture, TheRadioAltitudeStandsUnderTheAircraftSymbolInsideTheArea) {
  // The lower part of the sphere: between its edge and 26 pixels above it. The figures are
  // measured with the attitude lost (nothing else there), then looked for over a live one.
  const Box low{kAttitudeSphere.x0, kAttitudeSphere.y0, kAttitudeSphere.x1, kAttitudeSphere.y0 + 26};
  PrimaryFlightValues v = Approach();
  v.pitchDeg.valid = false;
  Draw(v);
  const Box two = WhiteInk(low);
  ASSERT_LT(two.x0, two.x1) << "white figures in the lower part of the area";
  EXPECT_NEAR(two.CentreX(), kSymbolX, 1.0) << "centred under the aircraft symbol";
  EXPECT_GE(two.y0, kAttitudeSphere.y0 + 4) << "inside the area";
  // Large: taller than the heading readout's figures by half (the box's outline left out).
  const Box heading = WhiteInk({kHeadingBox.x0 + 3, kHeadingBox.y0 + 3, kHeadingBox.x1 - 3, kHeadingBox.y1 - 3});
  ASSERT_LT(heading.x0, heading.x1);
  EXPECT_GE(two.Height(), 1.3 * heading.Height()) << two.Height() << " against " << heading.Height();
  EXPECT_EQ(Count(low, IsAmber), 0);
  v.pitchDeg.valid = true;
  Draw(v);
  const Box around{two.x0 - 2, two.y0 - 2, two.x1 + 2, two.y1 + 2};
  EXPECT_EQ(Count(around, IsGround) + Count(around, IsSky), 0) << "on black over a live attitude";
  EXPECT_GT(Count(around, IsWhite), 40);

  v.pitchDeg.valid = false;
  v.radioAltitudeFt.value = 1234;  // reads 1230: twice as many figures
  Draw(v);
  const Box four = WhiteInk(low);
  EXPECT_NEAR(four.CentreX(), kSymbolX, 1.0);
  EXPECT_NEAR(four.y0, two.y0, 0.5) << "on the same line";
  EXPECT_GT(four.Width(), 2 * two.Width()) << "four figures";

  v.radioAltitudeFt.valid = false;
  Draw(v);
  EXPECT_GT(Count(low, IsAmber), 40) << "the amber RA flag in their place";
  EXPECT_GE(WhiteInk(low).x0, WhiteInk(low).x1) << "no figures";
  v.radioAltitudeFt = {2600, true};
  Draw(v);
  EXPECT_EQ(Count(low, IsAmber), 0) << "nothing from 2,500 ft";
  EXPECT_GE(WhiteInk(low).x0, WhiteInk(low).x1) << "no figures from 2,500 ft";
}

TEST_F(FullAttitudePicture, TheBankPointerIsFilledAmberFrom35Degrees) {
  const PrimaryFlightValues v = Approach();
  Draw(v, -34.9);
  EXPECT_EQ(Count(kRollBand, IsAmber), 0) << "white at 34.9 degrees";
  Draw(v, -35);
  EXPECT_GT(Count(kRollBand, IsAmber), 40) << "filled amber at 35 degrees";
  Draw(v, 35);
  EXPECT_GT(Count(kRollBand, IsAmber), 40) << "and at 35 degrees the other way";
}

TEST_F(FullAttitudePicture, MarkersAtTheUpperRightTheIlsAtTheUpperLeft) {
  const Box upperRight{kAttitudeSphere.CentreX() + 50, kAttitudeSphere.y1 + 12, kAltitudeTape.x0 - 20, kModeStrip.y0};
  const Box upperLeft{kSpeedTape.x1, kAttitudeSphere.y1 + 12, kAttitudeSphere.CentreX() - 50, kPanelHeight};
  PrimaryFlightValues v = Approach();
  Draw(v);
  EXPECT_EQ(Count(upperRight, IsCyan) + Count(upperRight, IsAmber) + Count(upperRight, IsWhite), 0) << "no marker";
  EXPECT_EQ(Count(upperLeft, IsWhite), 0) << "no ILS tuned";
  v.outerMarker = true;
  Draw(v);
  EXPECT_GT(Count(upperRight, IsCyan), 40) << "OM in cyan";
  v.middleMarker = true;
  Draw(v);
  EXPECT_EQ(Count(upperRight, IsCyan), 0);
  EXPECT_GT(Count(upperRight, IsAmber), 40) << "MM in amber";
  v.innerMarker = true;
  Draw(v);
  EXPECT_EQ(Count(upperRight, IsAmber), 0);
  EXPECT_GT(Count(upperRight, IsWhite), 40) << "IM in white";
  v.ilsIdent = "IORV";
  v.dmeText = "012.5";
  Draw(v);
  const Box ils = WhiteInk(upperLeft);
  EXPECT_GT(ils.Height(), 20) << "the identifier over the DME: two lines";
  EXPECT_GT(ils.Width(), 55) << "\"DME 12.5\": eight characters";
  EXPECT_LT(ils.Width(), 66);
}

TEST_F(FullAttitudePicture, ALostDeviationTakesItsPointer) {
  // The localiser's scale under the sphere, the glide slope's right of it.
  const Box localiser{kAttitudeSphere.x0, kAttitudeSphere.y0 - 40, kAttitudeSphere.x1, kAttitudeSphere.y0 - 10};
  const Box glideSlope{kAttitudeSphere.x1 + 5, kAttitudeSphere.y0, kAltitudeTape.x0 - 5, kAttitudeSphere.y1};
  PrimaryFlightValues v = Approach();
  Draw(v);
  EXPECT_GT(Count(localiser, IsMagenta), 20) << "the localiser pointer";
  EXPECT_GT(Count(glideSlope, IsMagenta), 20) << "the glide-slope pointer";
  v.localiserValid = false;
  Draw(v);
  EXPECT_EQ(Count(localiser, IsMagenta), 0) << "the localiser's deviation lost: no pointer";
  EXPECT_GT(Count(localiser, IsWhite), 10) << "its scale stays";
  EXPECT_GT(Count(glideSlope, IsMagenta), 20);
  v = Approach();
  v.glideSlopeValid = false;
  Draw(v);
  EXPECT_EQ(Count(glideSlope, IsMagenta), 0) << "the glide slope's deviation lost: no pointer";
  EXPECT_GT(Count(localiser, IsMagenta), 20);
}

}  // namespace
