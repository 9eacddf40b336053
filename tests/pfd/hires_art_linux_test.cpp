// The generated artwork drawn by the display at 1 x, 2 x and 3 x: full-colour text, a sharp horizon.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "pfd/font.h"
#include "pfd/renderer.h"
#include "pfd/png_writer.h"
#include "pfd/texture_set.h"

namespace {

namespace fs = std::filesystem;

// The display's surface at scale 1; the window shows its lower-left 332 x 332 pixels.
constexpr int kWidth = 500;
constexpr int kHeight = 740;
constexpr int kPanel = 332;

// The middle-marker letter: amber "M" at text position (385, 94), over the black panel border.
constexpr float kMarkerX = 385.0f;
constexpr float kMarkerY = 94.0f;
constexpr double kAmberR = 255.0, kAmberG = 195.0;

struct Pixel {
  int r = 0, g = 0, b = 0;
};

// The display's surface at `scale` times its size, with the texture set and font of the run
// folder loaded the way the display loads them, and what it last drew.
class ScaledSurface {
 public:
  explicit ScaledSurface(int scale)
      : scale_(scale), width_(kWidth * scale), height_(kHeight * scale) {}
  ~ScaledSurface() {
    if (open_) gl_.Close();
    if (!previousDirectory_.empty()) fs::current_path(previousDirectory_);
  }

  ::testing::AssertionResult Open() {
    const std::string run = ORVANE_RUN_DIR;
    if (!fs::exists(run + "/pfd_2.txr") || !fs::exists(run + "/font.bmp")) {
      return ::testing::AssertionFailure()
             << "no generated artwork in " << run << " (build the target orvane-assetgen-run)";
    }
    std::string error;
    if (!gl_.Open(width_, height_, error)) {
      return ::testing::AssertionFailure()
             << "no " << width_ << " x " << height_ << " GL surface: " << error;
    }
    open_ = true;
    previousDirectory_ = fs::current_path().string();
    fs::current_path(run);  // the display opens its bitmaps by bare names
    renderer_.SetSurface(width_, height_);
    if (!renderer_.SetUp()) return ::testing::AssertionFailure() << "texture set not loaded";
    return ::testing::AssertionSuccess();
  }

  void Draw(const FrameDescription& frame) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer_.Draw(frame);
    glFinish();
    pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, pixels_.data());
  }

  // Surface pixel (x, y), y from the bottom; black outside.
  Pixel At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return {};
    const size_t at = (static_cast<size_t>(y) * width_ + x) * 3;
    return {pixels_[at], pixels_[at + 1], pixels_[at + 2]};
  }

  // Writes the window's part of the last picture (its lower-left 332 s x 332 s pixels) as a PNG,
  // into <build>/render-output for the eye.
  void SavePanel(const std::string& name) const {
    const int side = kPanel * scale_;
    std::vector<uint8_t> topDown(static_cast<size_t>(side) * side * 3);
    for (int row = 0; row < side; ++row) {
      std::memcpy(&topDown[static_cast<size_t>(row) * side * 3],
                  &pixels_[static_cast<size_t>(side - 1 - row) * width_ * 3],
                  static_cast<size_t>(side) * 3);
    }
    const std::string out = std::string(ORVANE_RUN_DIR) + "/../render-output";
    fs::create_directories(out);
    std::string error;
    EXPECT_TRUE(WritePng(out + "/" + name, side, side, topDown, error)) << error;
  }

 private:
  int scale_;
  int width_;
  int height_;
  bool open_ = false;
  platform::OffscreenGl gl_;
  PanelRenderer renderer_;
  std::string previousDirectory_;
  std::vector<uint8_t> pixels_;
};

// How strongly the amber letter shows, in the box of its glyph cell, as shares of the amber colour
// (1.0 = the full colour): the strongest pixel, the median over the letter's rows of each row's
// strongest pixel (the strokes' own strength, not one bright crossing), how many pixels reach
// 90 % of the colour, and how many rows the letter covers.
struct Strength {
  double peak = 0;
  double medianRow = 0;
  int fullPixels = 0;
  int inkRows = 0;
};

Strength AmberStrength(const ScaledSurface& surface, int scale) {
  const double pxPerUnitX = kWidth / 640.0 * scale;
  const int x0 = static_cast<int>(kMarkerX * pxPerUnitX),
            x1 = static_cast<int>((kMarkerX + 16) * pxPerUnitX);
  const int y0 = static_cast<int>(kMarkerY * scale), y1 = static_cast<int>((kMarkerY + 16) * scale);
  Strength s;
  std::vector<double> rowPeaks;
  for (int y = y0; y <= y1; ++y) {
    double rowPeak = 0;
    for (int x = x0; x <= x1; ++x) {
      const Pixel p = surface.At(x, y);
      const double share = std::min(p.r / kAmberR, p.g / kAmberG);
      rowPeak = std::max(rowPeak, share);
      if (share >= 0.9) ++s.fullPixels;
    }
    s.peak = std::max(s.peak, rowPeak);
    if (rowPeak > 0.25) rowPeaks.push_back(rowPeak);  // a row the letter's strokes pass through
  }
  s.inkRows = static_cast<int>(rowPeaks.size());
  if (!rowPeaks.empty()) {
    std::sort(rowPeaks.begin(), rowPeaks.end());
    s.medianRow = rowPeaks[rowPeaks.size() / 2];
  }
  return s;
}

// The horizon line at zero pitch in one surface column, from below: ground, the white line, sky.
// The ramps are the pixels of each edge that are neither of the two colours it joins (more than a
// tenth of the way from both); the core is the line's pixels within a tenth of full white.
struct HorizonEdge {
  int groundToLineRamp = -1;
  int lineToSkyRamp = -1;
  int whiteCore = 0;
};

HorizonEdge MeasureHorizon(const ScaledSurface& surface, int x, int scale) {
  // Green channel: ground 82, line 255, sky 125 (the panel's palette).
  auto green = [&](int y) { return surface.At(x, y).g; };
  const int from = 130 * scale, to = 200 * scale;  // the line is at y 165 on the 1 x panel
  int lineTop = -1, lineBottom = -1;
  for (int y = from; y < to; ++y) {
    if (green(y) >= 255 - 17) {
      if (lineBottom < 0) lineBottom = y;
      lineTop = y;
    }
  }
  HorizonEdge e;
  if (lineBottom < 0) return e;
  for (int y = lineBottom; y <= lineTop; ++y) e.whiteCore += green(y) >= 255 - 17 ? 1 : 0;
  e.groundToLineRamp = 0;
  for (int y = lineBottom - 1; y > from && green(y) > 82 + 17; --y) ++e.groundToLineRamp;
  e.lineToSkyRamp = 0;
  for (int y = lineTop + 1; y < to && green(y) > 125 + 13; ++y) ++e.lineToSkyRamp;
  return e;
}

FrameDescription MarkerFrame() {
  FrameDescription frame;
  FrameText m;
  m.text = "M";
  m.colour = TextColour::Amber;
  m.x = kMarkerX;
  m.y = kMarkerY;
  frame.texts.push_back(m);
  return frame;
}

// A busy frame for the eye: nose up, banked, ILS scales with both indices off centre, both
// flight-director bars, mode texts and the marker letter.
FrameDescription LookFrame() {
  FrameDescription frame;
  frame.pitchOffset = -4.0 * 0.0058;
  frame.bank = 12.0;
  frame.ilsState = 4;
  frame.glideSlopeOffset = 0.4;
  frame.localizerOffset = -0.5;
  frame.bars = {{BarKind::Horizontal, 0.3}, {BarKind::Vertical, -0.2}};
  frame.texts = {{"AP ENG", TextColour::Green, 300, 50, 0, false},
                 {"HDG", TextColour::Green, 100, 280, 0, false},
                 {"ALT", TextColour::White, 300, 280, 0, false},
                 {"M", TextColour::Amber, kMarkerX, kMarkerY, 0, false}};
  return frame;
}

class HiresArt : public ::testing::TestWithParam<int> {};

// Whatever the scale, the letter reaches the full amber and the horizon's edges stay about one
// pixel wide while its white line grows with the panel.
TEST_P(HiresArt, TextIsFullColourAndTheHorizonLineIsSharp) {
  const int scale = GetParam();
  ScaledSurface surface(scale);
  ASSERT_TRUE(surface.Open());

  surface.Draw(MarkerFrame());
  surface.SavePanel("hires_level_" + std::to_string(scale) + "x.png");
  const Strength amber = AmberStrength(surface, scale);
  std::printf(
      "scale %d: amber M strongest pixel %.0f %% of the colour, rows' strongest %.0f %% "
      "(median), %d pixels at 90 %% or more in %d rows\n",
      scale, amber.peak * 100.0, amber.medianRow * 100.0, amber.fullPixels, amber.inkRows);
  EXPECT_GE(amber.peak, 0.95) << "the letter is a dim " << amber.peak * 100 << " % of amber";
  EXPECT_GE(amber.medianRow, 0.9) << "the strokes are a dim " << amber.medianRow * 100
                                  << " % of amber";
  // The two upright strokes of the M in full colour all along: two such pixels per row at least.
  EXPECT_GE(amber.fullPixels, 2 * amber.inkRows);

  // Column 90 (1 x) is left of the aircraft symbol's wing, inside the attitude area.
  const HorizonEdge edge = MeasureHorizon(surface, 90 * scale, scale);
  std::printf(
      "scale %d: horizon line white core %d px, ramps %d px (ground side) and %d px (sky side)\n",
      scale, edge.whiteCore, edge.groundToLineRamp, edge.lineToSkyRamp);
  ASSERT_GE(edge.groundToLineRamp, 0) << "no white horizon line found";
  EXPECT_LE(edge.groundToLineRamp, 2);
  EXPECT_LE(edge.lineToSkyRamp, 2);
  EXPECT_GE(edge.whiteCore, scale);

  surface.Draw(LookFrame());
  surface.SavePanel("hires_" + std::to_string(scale) + "x.png");
}

INSTANTIATE_TEST_SUITE_P(Scales, HiresArt, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "x";
                         });

}  // namespace
