// The hidden GL context on both platforms: it opens once, draws the display's layers where they belong, reads back and
// reopens; two contexts live side by side, each keeping its own pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "pfd/layers.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "pfd/bmp_decoder.h"
#include "pfd/texture_set.h"
#include "support/render_harness.h"

using orvane_test::FillRect;
using orvane_test::RenderHarness;
using orvane_test::Rgb;
using orvane_test::SolidImage;

namespace {

TEST(OffscreenGl, OpensOnceDrawsTheBarWhereItBelongsAndReopens) {
  RenderHarness harness;
  std::string error;
  ASSERT_TRUE(harness.Open(error)) << error;
  std::printf("offscreen renderer: %s\n", harness.RendererDescription().c_str());

  std::string second;
  EXPECT_FALSE(harness.Gl().Open(100, 100, second));
  EXPECT_NE(second.find("already open"), std::string::npos) << second;

  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], RenderHarness::kWidth);
  EXPECT_EQ(viewport[3], RenderHarness::kHeight);
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  EXPECT_GE(depthBits, 16);

  // Every image black, every mask white, a horizontal flight-director bar with a red band.
  for (int slot = 0; slot < SlotCount; ++slot) {
    const bool mask = slot == SlotStaticMask || slot == SlotWindowMask || slot == SlotFdHMask ||
                      slot == SlotFdVMask;
    harness.UploadSlot(slot, SolidImage(8, 8, mask ? Rgb{255, 255, 255} : Rgb{0, 0, 0}));
  }
  DecodedImage bar = SolidImage(64, 64, Rgb{0, 0, 0});
  FillRect(bar, 0, 28, 64, 36, Rgb{255, 0, 0});
  harness.UploadSlot(SlotFdH, bar);
  DrawAttitude(harness.List(), harness.Resources(), 0.0f, 0.0f);
  DrawFdHorizontalBar(harness.List(), harness.Resources(), 1.0f);
  harness.Capture();
  // The bar's centre: (164.8, 164.3) plus one unit at depth 17.2, 51.9 pixels, upwards.
  const Rgb centre = harness.At(165, 216);
  EXPECT_GT(centre.r, 200);
  EXPECT_LT(centre.g, 10);
  const Rgb above = harness.At(165, 236);
  const Rgb below = harness.At(165, 196);
  EXPECT_LT(above.r, 10);
  EXPECT_LT(below.r, 10);
  // The panel the window shows: 332 x 332 from the bottom left, first row at the top.
  const std::vector<uint8_t> panel = harness.PanelTopDown();
  ASSERT_EQ(panel.size(), static_cast<size_t>(332 * 332 * 3));
  const size_t at = (static_cast<size_t>(331 - 216) * 332 + 165) * 3;
  EXPECT_GT(panel[at], 200);

  harness.Close();
  ASSERT_TRUE(harness.Open(error)) << error;  // a second context after the first is gone
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  harness.Capture();
  EXPECT_EQ(harness.At(499, 739).g, 255);
  EXPECT_EQ(harness.At(0, 0).r, 0);
}

TEST(OffscreenGl, RefusesAnEmptySurface) {
  platform::OffscreenGl gl;
  std::string error;
  EXPECT_FALSE(gl.Open(0, 740, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(gl.Open(500, -1, error));
  EXPECT_FALSE(gl.IsOpen());
  gl.Close();  // nothing open: harmless
}

// The colour of the surface's lower-left pixel in the current context.
Rgb CornerPixel() {
  uint8_t p[4] = {};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return Rgb{p[0], p[1], p[2]};
}

TEST(OffscreenGl, TwoContextsKeepTheirOwnSizeAndPixels) {
  platform::OffscreenGl red, blue;
  std::string error;
  ASSERT_TRUE(red.Open(40, 30, error)) << error;
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ASSERT_TRUE(blue.Open(20, 10, error)) << error;
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 20);
  EXPECT_EQ(viewport[3], 10);
  EXPECT_EQ(CornerPixel().b, 255);
  EXPECT_EQ(CornerPixel().r, 0);

  // Back to the first: its own surface, still red, not the second's blue.
  ASSERT_TRUE(red.MakeCurrent());
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 40);
  EXPECT_EQ(viewport[3], 30);
  EXPECT_EQ(CornerPixel().r, 255);
  EXPECT_EQ(CornerPixel().b, 0);

  // Closing the second leaves the first drawing.
  blue.Close();
  EXPECT_FALSE(blue.MakeCurrent());
  ASSERT_TRUE(red.MakeCurrent());
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(CornerPixel().g, 255);
}

}  // namespace
