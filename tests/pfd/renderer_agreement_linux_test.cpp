// The two backends draw the same panel: GLES2's pictures (shaders, masked pictures in one pass)
// against GL1's (fixed function) for today's panel and the full one, at 1, 2 and 3 x, read back
// from the same offscreen context.
//
// The tolerance: every channel within 2 levels of 255, save at most one pixel in 10,000. GL1's
// fixed-function texture filter and colour multiply round differently from the shader's (and a
// masked picture drawn in one pass rounds once where two passes round twice): that is a level
// either way. The few pixels beyond are the corners of the outlines around the failure flags, which
// GL draws as wide lines and GLES2 as quads (no wide lines in OpenGL ES 2.0 or WebGL).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"
#include "pfd/renderer.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "render/backend.h"
#include "simdata/demo_flight.h"

namespace {

constexpr int kLevels = 2;
constexpr double kOutlierShare = 1e-4;

struct Case {
  PanelKind kind;
  double demoTime;
  bool failed;
};

// The panel of `kind` at `scale` drawn by `backend`, RGB bottom row first; empty when the backend
// could not run.
std::vector<uint8_t> Draw(render::BackendKind backend, const Case& c, double scale, int width, int height) {
  PanelRenderer renderer(c.kind, backend);
  if (c.kind == PanelKind::Full) {
    renderer.SetSurface(width, height);
    PanelLayout layout = FullStandardLayout();
    layout.scale = scale;
    layout.standard = scale == 1.0;
    renderer.SetLayout(layout);
  } else {
    renderer.SetSurface(int(kSurfaceWidth * scale), int(kSurfaceHeight * scale));
  }
  if (!renderer.SetUp() || renderer.Backend() != backend) return {};
  InterfaceValues state = EncodeInterface(demo::StateAt(c.demoTime));
  ApplyConversions(state, InclinationRule::Degrees);
  PanelPicture picture;
  picture.kind = c.kind;
  picture.classic = DecideFrame(state, c.failed);
  if (c.kind == PanelKind::Full) {
    // On the approach: every tape, bug, readout and the card (turned to 087); failed, the
    // instruments show their flags.
    PrimaryFlightValues v;
    if (!c.failed) {
      v.indicatedAirspeedKt = {142, true};
      v.mach = {0.21, true};
      v.headingMagneticDeg = {87, true};
      v.verticalSpeedFpm = {-720, true};
      v.altitudeFt = {1240, true};
    }
    v.selectedAirspeedKt = {140, true};
    v.selectedAltitudeFt = {1500, true};
    v.selectedHeadingDeg = {90, true};
    v.selectedVerticalSpeedFpm = {-700, true};
    v.altimeterSettingHpa = {1009, true};
    v.verticalSpeedMode = true;
    picture.full = DecideFullFrame(picture.classic, v, {-6, !c.failed}, BaroUnit::Hpa);
  }
  glClearColor(0.3f, 0.2f, 0.1f, 1.0f);  // whatever the panel does not draw stays the same
  glClear(GL_COLOR_BUFFER_BIT);
  renderer.BeginFrame();
  renderer.Draw(picture);
  glFinish();
  std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

class RendererAgreement : public ::testing::TestWithParam<double> {};

TEST_P(RendererAgreement, Gles2DrawsWhatGl1Draws) {
  const double scale = GetParam();
  for (const Case& c : {Case{PanelKind::Classic, demo::times::kIlsApproachMiddleMarker, false},
                        Case{PanelKind::Classic, demo::times::kTurnRollIn, false},
                        Case{PanelKind::Classic, demo::times::kNoIlsPlateDme, true},
                        Case{PanelKind::Full, demo::times::kIlsApproachMiddleMarker, false},
                        Case{PanelKind::Full, demo::times::kAltCapture, true}}) {
    // The part of the surface a window shows: the 332 x 332 panel, or the full panel.
    const int width = int(std::lround((c.kind == PanelKind::Full ? full_layout::kPanelWidth : 332) * scale));
    const int height = int(std::lround((c.kind == PanelKind::Full ? full_layout::kPanelHeight : 332) * scale));
    const int surfaceWidth = c.kind == PanelKind::Full ? width : int(kSurfaceWidth * scale);
    const int surfaceHeight = c.kind == PanelKind::Full ? height : int(kSurfaceHeight * scale);
    std::string error;
    platform::OffscreenGl gl;
    ASSERT_TRUE(gl.Open(surfaceWidth, surfaceHeight, error)) << error;
    const std::vector<uint8_t> gl1 = Draw(render::BackendKind::GL1, c, scale, surfaceWidth, surfaceHeight);
    const std::vector<uint8_t> gles2 = Draw(render::BackendKind::GLES2, c, scale, surfaceWidth, surfaceHeight);
    gl.Close();
    ASSERT_FALSE(gl1.empty()) << "no artwork in the run folder";
    ASSERT_FALSE(gles2.empty()) << "GLES2 cannot run on this GL";
    size_t outliers = 0, worst = 0, lit = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const size_t at = (size_t(y) * size_t(surfaceWidth) + size_t(x)) * 3;
        int most = 0;
        for (int k = 0; k < 3; ++k) most = std::max(most, std::abs(int(gl1[at + k]) - int(gles2[at + k])));
        if (most > kLevels) ++outliers;
        worst = std::max(worst, size_t(most));
        if (gl1[at] + gl1[at + 1] + gl1[at + 2] > 60) ++lit;
      }
    }
    const std::string what = std::string(c.kind == PanelKind::Full ? "full" : "classic") + " panel at demo time " +
                             std::to_string(c.demoTime) + (c.failed ? " (failed)" : "") + ", " +
                             std::to_string(scale) + " x";
    // The picture is there at all: a good part of the panel is lit (the full layout's failed
    // instruments give way to their flags, on black).
    EXPECT_GT(lit, size_t(width) * size_t(height) / (c.kind == PanelKind::Full && c.failed ? 8 : 4)) << what;
    EXPECT_LE(double(outliers), kOutlierShare * width * height) << what << ": worst " << worst;
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, RendererAgreement, ::testing::Values(1.0, 2.0, 3.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return std::to_string(static_cast<int>(info.param)) + "x";
                         });

}  // namespace
