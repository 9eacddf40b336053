// Rendered frames probed by pixels: every text of the frame rules in its colour at its place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "model/interface_codec.h"
#include "simdata/flight_state_file.h"
#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"
#include "shell/frame.h"
#include "platform/system.h"
#include "pfd/font.h"
#include "sources/sim_ipc_client.h"
#include "sources/simulator_source.h"
#include "support/render_harness.h"
#include "support/sim_peer.h"

using orvane_test::RenderHarness;
using orvane_test::Rgb;

namespace {

// Text space is 640 units over the 500-pixel width and 740 units over 740 pixels.
constexpr double kPxPerUnitX = 500.0 / 640.0;

// Panel artwork all black and a font whose every glyph is a solid white cell: each printed glyph is
// then a 12.5 x 16 px block in exactly the text colour, and everything else is black.
class FrameRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    harness_ = new RenderHarness;
    std::string error;
    ASSERT_TRUE(harness_->Open(error)) << error;
    for (int slot = 0; slot < SlotCount; ++slot)
      (*harness_).UploadSlot(slot, orvane_test::SolidImage(16, 16, Rgb{0, 0, 0}));
    (*harness_).UploadFont(orvane_test::SolidImage(256, 256, Rgb{255, 255, 255}));
  }
  static void TearDownTestSuite() {
    delete harness_;
    harness_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(harness_, nullptr);
    ASSERT_TRUE(harness_->IsOpen());
  }

  static void Render(InterfaceValues state, bool failed = false) {
    ApplyConversions(state, InclinationRule::Degrees);
    DrawFrameDescription(harness_->List(), harness_->Resources(), DecideFrame(state, failed));
    harness_->Capture();
  }

  // The pixel at the centre of glyph `index` of a text printed at (x, y) in text units.
  static Rgb GlyphCentre(float x, float y, int index) {
    const double cx = (x + 10.0 * index + 8.0) * kPxPerUnitX;
    return harness_->At(int(cx), int(y + 8));
  }

  static RenderHarness* harness_;
};

RenderHarness* FrameRender::harness_ = nullptr;

::testing::AssertionResult Near(Rgb got, Rgb want, int tolerance = 3) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << int(got.r) << "," << int(got.g) << "," << int(got.b) << "), want ("
         << int(want.r) << "," << int(want.g) << "," << int(want.b) << ")";
}

const Rgb kGreen{0, 255, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kBlue{0, 200, 222};
const Rgb kAmber{255, 195, 0};
const Rgb kBlack{0, 0, 0};

// Checks every glyph of a text is drawn in `colour`, and the space one glyph before it is empty.
void ExpectText(const std::string& text, float x, float y, Rgb colour, Rgb (*at)(float, float, int)) {
  for (int i = 0; i < int(text.size()); ++i)
    EXPECT_TRUE(Near(at(x, y, i), colour)) << "\"" << text << "\" glyph " << i;
  EXPECT_TRUE(Near(at(x - 14, y, 0), kBlack)) << "left of \"" << text << "\"";
  EXPECT_TRUE(Near(at(x, y - 14, 0), kBlack)) << "below \"" << text << "\"";
}

InterfaceValues AltitudeHold(int32_t altimeter, double targetFt) {
  InterfaceValues s{};
  s.ApAltitudeHold = 1;
  s.Altimeter = altimeter;
  s.ApAltitudeRaw = int32_t(targetFt / 3.28084 * 65536 + (targetFt >= 0 ? 1 : -1));
  s.RadioAltitudeRaw = 10000 * 65536;  // well above 2500 ft: no readout
  return s;
}

}  // namespace

TEST_F(FrameRender, AutopilotAndLateralModes) {
  InterfaceValues s{};
  s.RadioAltitudeRaw = 10000 * 65536;
  s.ApMaster = 1;
  s.ApHeadingHold = 1;
  Render(s);
  ExpectText("AP ENG", 300, 50, kGreen, GlyphCentre);
  ExpectText("HDG", 100, 280, kGreen, GlyphCentre);

  s.ApHeadingHold = 0;
  s.ApApproachHold = 1;
  Render(s);
  ExpectText("LOC", 100, 280, kWhite, GlyphCentre);
  s.RadioStatus = 0x0100;
  Render(s);
  ExpectText("LOC", 100, 280, kGreen, GlyphCentre);
}

TEST_F(FrameRender, VerticalModes) {
  Render(AltitudeHold(5000, 5000));
  ExpectText("ALT", 365, 280, kGreen, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(300, 280, 0), kBlack));

  Render(AltitudeHold(5000, 5100));
  ExpectText("ALT*", 365, 280, kGreen, GlyphCentre);

  Render(AltitudeHold(5000, 5300));
  ExpectText("VS", 365, 280, kGreen, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(365, 280, 2), kBlack));  // nothing after "VS"
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Near(GlyphCentre(300, 280, i), kWhite)) << i;

  InterfaceValues gs = AltitudeHold(5000, 5300);
  gs.ApGlideSlopeHold = 1;
  Render(gs);
  ExpectText("GS", 290, 280, kWhite, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(365, 280, 0), kBlack));  // no vertical mode with glide-slope hold
  gs.RadioStatus = 0x0200;
  Render(gs);
  ExpectText("GS", 350, 280, kGreen, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(290, 280, 0), kBlack));
}

TEST_F(FrameRender, RadioAltitudeReadoutEndsAgainstTheLabel) {
  InterfaceValues s{};
  s.RadioAltitudeRaw = int32_t(1234.56 / 3.28084 * 65536);
  Render(s);
  ExpectText("1230", 322, 20, kBlue, GlyphCentre);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(Near(GlyphCentre(370, 20, i), kWhite)) << i;
  // The readout's last glyph ends at 368 units, just before "RA" at 370.
  EXPECT_TRUE(Near(harness_->At(int(366 * kPxPerUnitX), 28), kBlue));
  EXPECT_TRUE(Near(harness_->At(int(373 * kPxPerUnitX), 28), kWhite));

  s.RadioAltitudeRaw = 0;  // nothing delivered: readout 0 with "RA"
  Render(s);
  ExpectText("0", 358, 20, kBlue, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(370, 20, 0), kWhite));

  s.RadioAltitudeRaw = int32_t(2600 / 3.28084 * 65536);
  Render(s);
  EXPECT_TRUE(Near(GlyphCentre(358, 20, 0), kBlack));
  EXPECT_TRUE(Near(GlyphCentre(370, 20, 0), kBlack));
}

TEST_F(FrameRender, MarkerLetterColours) {
  InterfaceValues s{};
  s.RadioAltitudeRaw = 10000 * 65536;
  s.OuterMarker = 1;
  Render(s);
  ExpectText("O", 385, 94, kBlue, GlyphCentre);
  s.MiddleMarker = 1;
  Render(s);
  ExpectText("M", 385, 94, kAmber, GlyphCentre);
  s.InnerMarker = 1;
  Render(s);
  ExpectText("I", 385, 94, kWhite, GlyphCentre);
  s = InterfaceValues{};
  s.RadioAltitudeRaw = 10000 * 65536;
  Render(s);
  EXPECT_TRUE(Near(GlyphCentre(385, 94, 0), kBlack));
}

TEST_F(FrameRender, FailureFlagOnlyOnFailedFrames) {
  InterfaceValues s{};
  Render(s, true);
  ExpectText(kFailureFlagText, kFailureFlagX, kFailureFlagY, kAmber, GlyphCentre);
  // The zero picture is still there.
  EXPECT_TRUE(Near(GlyphCentre(358, 20, 0), kBlue));

  Render(s, false);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(Near(GlyphCentre(kFailureFlagX, kFailureFlagY, i), kBlack)) << i;
}

// The simulator-mode frame end to end: its data from orvane-sim, its failure flag without it.
TEST_F(FrameRender, IpcFrameDrawsTheSimulatorValuesAndFlagsAFailedExchange) {
  SimulatorSource source;
  ASSERT_TRUE(DrawFrameIpc(source, harness_->Renderer()));  // no link: the exchange fails
  harness_->Capture();
  ExpectText(kFailureFlagText, kFailureFlagX, kFailureFlagY, kAmber, GlyphCentre);
  ExpectText("0", 358, 20, kBlue, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(300, 50, 0), kBlack));

  InterfaceValues values{};
  values.ApMaster = 1;
  values.ApHeadingHold = 1;
  values.MiddleMarker = 1;
  values.RadioAltitudeRaw = int32_t(1234.56 / 3.28084 * 65536);
  const std::string valuesFile =
      "frame-ipc-values-" + std::to_string(platform::CurrentProcessId()) + ".txt";
  {
    FILE* f = std::fopen(valuesFile.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string text = FormatFlightStateText(values);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  orvane_test::SimPeer sim;
  std::string error;
  const bool started = sim.Start({"--values", valuesFile}, error);
  std::remove(valuesFile.c_str());
  ASSERT_TRUE(started) << error;
  uint32_t code = 0;
  ASSERT_TRUE(source.Open(&code)) << "code " << code << "\n" << sim.Log();

  ASSERT_TRUE(DrawFrameIpc(source, harness_->Renderer()));
  harness_->Capture();
  ExpectText("AP ENG", 300, 50, kGreen, GlyphCentre);
  ExpectText("HDG", 100, 280, kGreen, GlyphCentre);
  ExpectText("1230", 322, 20, kBlue, GlyphCentre);
  ExpectText("M", 385, 94, kAmber, GlyphCentre);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(Near(GlyphCentre(kFailureFlagX, kFailureFlagY, i), kBlack)) << i;

  // The simulator goes away: the next frame is the zero picture again, with the flag.
  sim.Stop();
  ASSERT_TRUE(DrawFrameIpc(source, harness_->Renderer()));
  harness_->Capture();
  ExpectText(kFailureFlagText, kFailureFlagX, kFailureFlagY, kAmber, GlyphCentre);
  EXPECT_TRUE(Near(GlyphCentre(300, 50, 0), kBlack));
}
