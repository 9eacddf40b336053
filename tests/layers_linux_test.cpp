// Render tests of the drawing layers and the texture set upload: pixel probes at the screen positions the quads must reach.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include <unistd.h>

#include "pfd/layers.h"
#include "platform/gl.h"
#include "shell/display.h"
#include "pfd/bmp_decoder.h"
#include "pfd/texture_set.h"
#include "support/bmp_file.h"
#include "support/render_harness.h"

using orvane_test::FillRect;
using orvane_test::RenderHarness;
using orvane_test::Rgb;
using orvane_test::SolidImage;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPitchScale = 0.0058;  // the frames' pitch offset per degree

// Where the model point (x, y, -depth) lands, in pixels from the bottom left, under the display's
// 45-degree perspective over a 500 x 740 viewport.
struct Point {
  double x;
  double y;
};
double FocalScale() { return 1.0 / std::tan(22.5 * kPi / 180.0); }
Point Project(double x, double y, double depth) {
  const double aspect = 500.0 / 740.0;
  return {(x * FocalScale() / (aspect * depth) + 1.0) * 250.0,
          (y * FocalScale() / depth + 1.0) * 370.0};
}
double PixelsPerUnit(double depth) { return 370.0 * FocalScale() / depth; }

struct Blob {
  int count = 0;
  double cx = 0, cy = 0;
  int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1;
  double Width() const { return maxX - minX + 1; }
  double Height() const { return maxY - minY + 1; }
};

// Centroid (pixel centres) and bounds of the captured pixels that satisfy `match`.
Blob FindBlob(const RenderHarness& h, const std::function<bool(Rgb)>& match) {
  Blob blob;
  double sx = 0, sy = 0;
  for (int y = 0; y < RenderHarness::kHeight; ++y) {
    for (int x = 0; x < RenderHarness::kWidth; ++x) {
      if (!match(h.At(x, y))) continue;
      ++blob.count;
      sx += x + 0.5;
      sy += y + 0.5;
      blob.minX = std::min(blob.minX, x);
      blob.maxX = std::max(blob.maxX, x);
      blob.minY = std::min(blob.minY, y);
      blob.maxY = std::max(blob.maxY, y);
    }
  }
  if (blob.count > 0) {
    blob.cx = sx / blob.count;
    blob.cy = sy / blob.count;
  }
  return blob;
}

// The height in column x where the blue channel first crosses `level` going up from yStart
// (interpolated between pixel centres); NAN when it does not.
double CrossingUp(const RenderHarness& h, int x, int yStart, int yEnd, double level) {
  for (int y = yStart; y < yEnd; ++y) {
    const double a = h.At(x, y).b;
    const double b = h.At(x, y + 1).b;
    if ((a - level) * (b - level) <= 0 && a != b) return y + 0.5 + (level - a) / (b - a);
  }
  return NAN;
}

bool Near(Rgb c, Rgb want, int tolerance = 2) {
  return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
         std::abs(c.b - want.b) <= tolerance;
}

std::string Str(Rgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kGround{120, 60, 0};
const Rgb kSky{0, 80, 200};

// A 512 x 512 horizon: ground below t = 0.5, sky above, a sharp boundary.
DecodedImage HorizonImage() {
  DecodedImage image = SolidImage(512, 512, kGround);
  FillRect(image, 0, 256, 512, 512, kSky);
  return image;
}

class LayersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    harness_ = new RenderHarness();
    std::string error;
    if (!harness_->Open(error)) {
      openError_ = error;
    } else {
      std::printf("offscreen renderer: %s\n", harness_->RendererDescription().c_str());
    }
  }
  static void TearDownTestSuite() {
    delete harness_;
    harness_ = nullptr;
  }

  // Every mask white and every image black: each layer then shows only what a test gives it.
  void SetUp() override {
    ASSERT_TRUE(harness_->IsOpen()) << openError_;
    (*harness_).DeleteTextures();
    RenderHarness::ResetGlState();
    harness_->ResetList();
    for (int slot = 0; slot < SlotCount; ++slot) {
      const bool mask = slot == SlotStaticMask || slot == SlotWindowMask || slot == SlotFdHMask ||
                        slot == SlotFdVMask;
      (*harness_).UploadSlot(slot, SolidImage(8, 8, mask ? kWhite : kBlack));
    }
  }

  RenderHarness& H() { return *harness_; }

  static RenderHarness* harness_;
  static std::string openError_;
};
RenderHarness* LayersTest::harness_ = nullptr;
std::string LayersTest::openError_;

// ---- Attitude layer --------------------------------------------------------------------------

TEST_F(LayersTest, HorizonBoundaryMovesUpByPitchOffsetAtThreePointFourFivePixelsPerDegree) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  const Point centre = Project(-0.274, -0.695, 3.0);
  EXPECT_NEAR(centre.x, 168.4, 0.1);
  EXPECT_NEAR(centre.y, 163.1, 0.1);
  const int column = static_cast<int>(centre.x);
  const double level = (kGround.b + kSky.b) / 2.0;
  double atZero = NAN;
  for (double pitch : {0.0, 10.0, -10.0, 25.0, -40.0}) {
    const float offset = static_cast<float>(kPitchScale * pitch);
    DrawAttitude(harness_->List(), harness_->Resources(), offset, 0.0f);
    H().Capture();
    const double boundary = CrossingUp(H(), column, 1, 600, level);
    const double expected = Project(-0.274, -0.695 + 2.0 * offset, 3.0).y;
    EXPECT_NEAR(boundary, expected, 0.75) << "pitch " << pitch;
    if (pitch == 0.0) {
      atZero = boundary;
    } else {
      EXPECT_NEAR((boundary - atZero) / pitch, 3.454, 0.05) << "pitch " << pitch;
    }
    // Ground below the boundary, sky above it.
    EXPECT_TRUE(Near(H().At(column, static_cast<int>(boundary) - 10), kGround)) << pitch;
    EXPECT_TRUE(Near(H().At(column, static_cast<int>(boundary) + 10), kSky)) << pitch;
  }
}

TEST_F(LayersTest, PositiveBankTurnsHorizonClockwiseAboutItsCentre) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  const Point centre = Project(-0.274, -0.695, 3.0);
  const double level = (kGround.b + kSky.b) / 2.0;
  for (double bank : {30.0, -30.0, 10.0}) {
    DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, static_cast<float>(bank));
    H().Capture();
    for (int dx : {-100, -40, 60, 100}) {
      const int column = static_cast<int>(centre.x) + dx;
      const double run = column + 0.5 - centre.x;
      // Clockwise: the right side of the horizon line goes down for positive bank.
      const double expected = centre.y - run * std::tan(bank * kPi / 180.0);
      EXPECT_NEAR(CrossingUp(H(), column, 1, 600, level), expected, 1.0)
          << "bank " << bank << " column " << column;
    }
  }
  // A quarter turn clockwise puts the sky on the right of the centre, the ground on the left.
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 90.0f);
  H().Capture();
  EXPECT_TRUE(Near(H().At(static_cast<int>(centre.x) + 60, static_cast<int>(centre.y)), kSky));
  EXPECT_TRUE(Near(H().At(static_cast<int>(centre.x) - 60, static_cast<int>(centre.y)), kGround));
}

TEST_F(LayersTest, HorizonTextureRepeatsBeyondItsEdges) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  // Pitch 90: the window slides by 0.522 and the texture's top edge (sky) now meets its bottom
  // edge (ground) at local height -1 + 2 * 0.522 above the centre.
  const float offset = static_cast<float>(kPitchScale * 90.0);
  DrawAttitude(harness_->List(), harness_->Resources(), offset, 0.0f);
  H().Capture();
  const Point seam = Project(-0.274, -0.695 - 1.0 + 2.0 * offset, 3.0);
  const int column = static_cast<int>(Project(-0.274, 0, 3.0).x);
  EXPECT_TRUE(Near(H().At(column, static_cast<int>(seam.y) - 12), kSky));
  EXPECT_TRUE(Near(H().At(column, static_cast<int>(seam.y) + 12), kGround));
  // 0.25: the quad's lowest visible rows show texture row 0.75 (sky), wrapped from -0.25.
  DrawAttitude(harness_->List(), harness_->Resources(), 0.25f, 0.0f);
  H().Capture();
  const Point bottomEdge = Project(-0.274, -0.695 - 1.0, 3.0);
  const Point wrapSeam = Project(-0.274, -0.695 - 1.0 + 0.5, 3.0);
  EXPECT_LT(bottomEdge.y, 0.0);
  EXPECT_TRUE(Near(H().At(column, static_cast<int>(wrapSeam.y) - 12), kSky));
  EXPECT_TRUE(Near(H().At(column, static_cast<int>(wrapSeam.y) + 12), kGround));
}

TEST_F(LayersTest, MasksCutEverythingBelowThemBeforeTheImagesAreAdded) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  // The static mask is black in its centre square, and so is the window mask: both cut the
  // horizon there. The static image puts green into the square, the window image blue; the
  // window mask must not cut the static image (masks come first), and elsewhere the static image
  // adds 40 to the horizon.
  DecodedImage staticMask = SolidImage(64, 64, kWhite);
  FillRect(staticMask, 24, 24, 40, 40, kBlack);
  DecodedImage windowMask = SolidImage(64, 64, kWhite);
  FillRect(windowMask, 24, 24, 40, 40, kBlack);
  DecodedImage staticInd = SolidImage(64, 64, kBlack);
  FillRect(staticInd, 24, 24, 40, 40, Rgb{0, 255, 0});
  FillRect(staticInd, 4, 4, 12, 12, Rgb{40, 40, 40});
  DecodedImage window = SolidImage(64, 64, kBlack);
  FillRect(window, 24, 24, 40, 40, Rgb{0, 0, 255});
  (*harness_).UploadSlot(SlotStaticMask, staticMask);
  (*harness_).UploadSlot(SlotWindowMask, windowMask);
  (*harness_).UploadSlot(SlotStaticInd, staticInd);
  (*harness_).UploadSlot(SlotWindow, window);
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  H().Capture();

  const Point staticCentre = Project(-0.375, -0.95, 4.0);
  const Point windowCentre = Project(-0.33, -0.8, 3.5);
  EXPECT_NEAR(staticCentre.x, 166.3, 0.1);
  EXPECT_NEAR(staticCentre.y, 157.9, 0.1);
  EXPECT_NEAR(windowCentre.x, 165.8, 0.1);
  EXPECT_NEAR(windowCentre.y, 165.8, 0.1);
  const Rgb centre = H().At(static_cast<int>((staticCentre.x + windowCentre.x) / 2),
                            static_cast<int>((staticCentre.y + windowCentre.y) / 2));
  EXPECT_TRUE(Near(centre, Rgb{0, 255, 255})) << Str(centre);
  // Texel (8, 8) of the static image: mask white there, horizon ground + 40.
  const double unit = PixelsPerUnit(4.0);
  const double local = -0.65 + (8.0 / 64.0) * 1.3;
  const Rgb added = H().At(static_cast<int>(staticCentre.x + local * unit),
                           static_cast<int>(staticCentre.y + local * unit));
  EXPECT_TRUE(Near(added, Rgb{160, 100, 40}, 3)) << Str(added);
  // Outside both squares the horizon shows unchanged.
  EXPECT_TRUE(Near(H().At(static_cast<int>(staticCentre.x) + 60, 100), kGround));
}

TEST_F(LayersTest, RollPointerTurnsWithBankAboutItsOwnCentreWhileTheStaticFrameStays) {
  DecodedImage needle = SolidImage(64, 64, kBlack);
  FillRect(needle, 28, 52, 36, 60, kWhite);
  DecodedImage staticInd = SolidImage(64, 64, kBlack);
  FillRect(staticInd, 28, 4, 36, 12, Rgb{0, 0, 200});
  (*harness_).UploadSlot(SlotRollNeedle, needle);
  (*harness_).UploadSlot(SlotStaticInd, staticInd);
  const Point pivot = Project(-0.39, -0.891, 4.0);
  EXPECT_NEAR(pivot.x, 162.9, 0.1);
  EXPECT_NEAR(pivot.y, 171.0, 0.1);
  const double radius = (56.0 / 64.0 * 1.3 - 0.65) * PixelsPerUnit(4.0);
  const Point staticMark = Project(-0.375, -0.95 + (8.0 / 64.0 * 1.3 - 0.65), 4.0);
  for (double bank : {0.0, 30.0, -45.0}) {
    DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, static_cast<float>(bank));
    H().Capture();
    const Blob pointer = FindBlob(H(), [](Rgb c) { return c.r > 150; });
    ASSERT_GT(pointer.count, 50) << bank;
    const double a = bank * kPi / 180.0;
    EXPECT_NEAR(pointer.cx, pivot.x + radius * std::sin(a), 1.0) << bank;
    EXPECT_NEAR(pointer.cy, pivot.y + radius * std::cos(a), 1.0) << bank;
    const Blob mark = FindBlob(H(), [](Rgb c) { return c.b > 150 && c.r < 100; });
    ASSERT_GT(mark.count, 50) << bank;
    EXPECT_NEAR(mark.cx, staticMark.x, 1.0) << bank;
    EXPECT_NEAR(mark.cy, staticMark.y, 1.0) << bank;
  }
}

TEST_F(LayersTest, AttitudeLeavesAddModeAndWhiteForWhatFollowsAndTheContextAsItWas) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  render::DrawList& list = harness_->List();
  list.SetColourFloat(51, 77, 102);
  DrawAttitude(list, harness_->Resources(), 0.01f, 5.0f);
  // What the next layer is drawn in: the images' add mode, white, the window picture last drawn.
  EXPECT_EQ(list.state.EffectiveBlend(), render::Blend::Add);
  EXPECT_EQ(list.state.texture, harness_->Resources().TextureNames[SlotWindow]);
  EXPECT_EQ(list.state.colour, (render::Colour{255, 255, 255, 255}));
  // The backend puts back the context's state it found.
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glColor3f(0.2f, 0.3f, 0.4f);
  H().Flush();
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 0.2f);
  EXPECT_FLOAT_EQ(colour[2], 0.4f);
}

TEST_F(LayersTest, HorizonLooksTheSameOnTheFirstFrameAndAfterAnEarlierFrame) {
  (*harness_).UploadSlot(SlotHorizon, HorizonImage());
  RenderHarness::ResetGlState();  // first frame: blending off, depth test on
  harness_->ResetList();
  DrawAttitude(harness_->List(), harness_->Resources(), 0.05f, 12.0f);
  H().Capture();
  const std::vector<uint8_t> first = H().Pixels();
  DrawAttitude(harness_->List(), harness_->Resources(), -0.2f, -30.0f);  // leaves add mode and depth off
  glEnable(GL_DEPTH_TEST);      // as text printing leaves it
  DrawAttitude(harness_->List(), harness_->Resources(), 0.05f, 12.0f);
  H().Capture();
  EXPECT_EQ(first, H().Pixels());
}

// ---- Guidance layers -------------------------------------------------------------------------

class GuidanceTest : public LayersTest {
 protected:
  void SetUp() override {
    LayersTest::SetUp();
    (*harness_).UploadSlot(SlotIls, SolidImage(8, 8, Rgb{0, 50, 0}));
    (*harness_).UploadSlot(SlotNoIls, SolidImage(8, 8, Rgb{0, 0, 50}));
    (*harness_).UploadSlot(SlotIlsInd, SolidImage(8, 8, Rgb{200, 0, 0}));
    (*harness_).UploadSlot(SlotIlsH, SolidImage(8, 8, Rgb{0, 50, 0}));
    (*harness_).UploadSlot(SlotIlsHInd, SolidImage(8, 8, Rgb{0, 0, 200}));
  }
  static bool GlideSlopeIndex(Rgb c) { return c.r > 150; }
  static bool LocalizerIndex(Rgb c) { return c.b > 150; }
};

TEST_F(GuidanceTest, GlideSlopeIndexTravelsThirtyTwoAndAHalfPixelsAtFullDeflection) {
  const Point reference = Project(2.65, -7.38, 33.0);
  EXPECT_NEAR(reference.x, 321.7, 0.1);
  EXPECT_NEAR(reference.y, 170.2, 0.1);
  for (float offset : {0.0f, 1.2f, -1.2f, 0.5f}) {
    DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
    DrawIls(harness_->List(), harness_->Resources(), 4, offset, 0.0f);
    H().Capture();
    const Blob index = FindBlob(H(), GlideSlopeIndex);
    ASSERT_GT(index.count, 100) << offset;
    EXPECT_NEAR(index.cx, reference.x, 0.6) << offset;
    EXPECT_NEAR(index.cy, Project(2.65, -7.38f + offset, 33.0).y, 0.6) << offset;
    EXPECT_NEAR(index.Width(), 35.2, 1.5);
    if (offset == 1.2f) {
      EXPECT_NEAR(index.cy - reference.y, 32.5, 0.6);
    }
    if (offset == -1.2f) {
      EXPECT_NEAR(index.cy - reference.y, -32.5, 0.6);
    }
  }
}

TEST_F(GuidanceTest, LocalizerIndexTravelsThirtyOnePointSixPixelsAtFullDeflection) {
  const Point reference = Project(-3.67, -14.37, 39.0);
  EXPECT_NEAR(reference.x, 165.9, 0.1);
  EXPECT_NEAR(reference.y, 40.9, 0.1);
  for (uint16_t state : {uint16_t{4}, uint16_t{1}}) {
    for (float offset : {0.0f, 1.38f, -1.38f}) {
      DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
      DrawIls(harness_->List(), harness_->Resources(), state, 0.0f, offset);
      H().Capture();
      const Blob index = FindBlob(H(), LocalizerIndex);
      ASSERT_GT(index.count, 100) << state << " " << offset;
      EXPECT_NEAR(index.cx - reference.x, offset * PixelsPerUnit(39.0), 0.6);
      EXPECT_NEAR(index.cy, reference.y, 0.6);
      EXPECT_NEAR(index.Width(), 29.8, 1.5);
      if (offset != 0.0f) {
        EXPECT_NEAR(std::fabs(index.cx - reference.x), 31.6, 0.6);
      }
    }
  }
}

TEST_F(GuidanceTest, IlsStatesChooseScalePlateAndIndex) {
  const Point scale = Project(1.57, -3.44, 13.0);
  const Point locScale = Project(-1.24, -5.59, 13.0);
  EXPECT_NEAR(scale.x, 357.9, 0.1);
  EXPECT_NEAR(scale.y, 133.6, 0.1);
  EXPECT_NEAR(locScale.x, 164.8, 0.1);
  EXPECT_NEAR(locScale.y, -14.1, 0.1);
  const int sx = static_cast<int>(scale.x), sy = static_cast<int>(scale.y) - 30;
  const int lx = static_cast<int>(locScale.x) + 40, ly = 20;

  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  DrawIls(harness_->List(), harness_->Resources(), 4, 0.0f, 0.0f);
  H().Capture();
  EXPECT_TRUE(Near(H().At(sx, sy), Rgb{0, 50, 0})) << Str(H().At(sx, sy));
  EXPECT_TRUE(Near(H().At(lx, ly), Rgb{0, 50, 0})) << Str(H().At(lx, ly));
  const Blob scaleArea = FindBlob(H(), [](Rgb c) { return c.g > 25 && c.r < 25 && c.b < 25; });
  EXPECT_NEAR(scaleArea.maxX + 1, Project(1.57 - 1.0, 0, 13.0).x + 137.4, 1.0);

  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  DrawIls(harness_->List(), harness_->Resources(), 1, -1.0f, 0.0f);
  H().Capture();
  EXPECT_TRUE(Near(H().At(sx, sy), Rgb{0, 0, 50})) << Str(H().At(sx, sy));
  EXPECT_TRUE(Near(H().At(lx, ly), Rgb{0, 50, 0}));
  EXPECT_EQ(FindBlob(H(), GlideSlopeIndex).count, 0);
  EXPECT_GT(FindBlob(H(), LocalizerIndex).count, 100);

  // A state the frames never pass shows no glide-slope guidance: the no-ILS plate, no index.
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  DrawIls(harness_->List(), harness_->Resources(), 2, 0.0f, 0.0f);
  H().Capture();
  EXPECT_TRUE(Near(H().At(sx, sy), Rgb{0, 0, 50})) << Str(H().At(sx, sy));
  EXPECT_EQ(FindBlob(H(), GlideSlopeIndex).count, 0);
  EXPECT_GT(FindBlob(H(), LocalizerIndex).count, 100);

  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  DrawIls(harness_->List(), harness_->Resources(), 0, 0.0f, 0.0f);
  H().Capture();
  EXPECT_TRUE(Near(H().At(sx, sy), kBlack));
  EXPECT_TRUE(Near(H().At(lx, ly), kBlack));
  EXPECT_EQ(FindBlob(H(), LocalizerIndex).count, 0);
}

TEST_F(GuidanceTest, IlsStateZeroDrawsNothingAndChangesNoState) {
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  H().Capture();
  const std::vector<uint8_t> before = H().Pixels();
  render::DrawList& list = harness_->List();
  list.state.blending = false;
  list.SetColourFloat(64, 128, 191);
  list.SetTexture(harness_->Resources().TextureNames[SlotSpd]);
  list.LoadIdentity();
  list.Translate(1.0f, 2.0f, 3.0f);
  const render::ListState stateBefore = list.state;

  DrawIls(list, harness_->Resources(), 0, 1.0f, 1.0f);

  EXPECT_TRUE(list.commands.empty());
  EXPECT_FALSE(list.state.blending);
  EXPECT_EQ(list.state.colour, stateBefore.colour);
  EXPECT_EQ(list.state.texture, stateBefore.texture);
  EXPECT_EQ(list.state.transform.size(), stateBefore.transform.size());
  H().Capture();
  EXPECT_EQ(before, H().Pixels());
}

TEST_F(GuidanceTest, IlsAndSpdPlateDrawInWhiteAndKeepTheBlendAndDepthStateTheyFind) {
  (*harness_).UploadSlot(SlotSpd, SolidImage(8, 8, Rgb{0, 90, 0}));
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  // Whatever the caller left, ILS and SPD set no blending, but the colour.
  render::DrawList& list = harness_->List();
  list.state.blending = false;
  list.SetColour(0, 0, 0);
  const size_t first = list.commands.size();
  DrawIls(list, harness_->Resources(), 4, 0.0f, 0.0f);
  EXPECT_FALSE(list.state.blending);
  EXPECT_EQ(list.state.texture, harness_->Resources().TextureNames[SlotIlsHInd]);
  list.SetColour(0, 0, 0);
  DrawSpdPlate(list, harness_->Resources());
  EXPECT_FALSE(list.state.blending);
  EXPECT_EQ(list.state.texture, harness_->Resources().TextureNames[SlotSpd]);
  for (size_t k = first; k < list.commands.size(); ++k) {
    EXPECT_EQ(list.commands[k].blend, render::Blend::Replace) << k;
    EXPECT_EQ(list.commands[k].colour, (render::Colour{255, 255, 255, 255})) << k;
  }
  H().Flush();

  // In the attitude layer's add mode: the plate where the table puts it, the indices in white.
  DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
  harness_->List().SetColour(0, 0, 0);
  DrawIls(harness_->List(), harness_->Resources(), 4, 0.0f, 0.0f);
  DrawSpdPlate(harness_->List(), harness_->Resources());
  H().Capture();
  const Blob plate = FindBlob(H(), [](Rgb c) { return c.g > 70 && c.r < 30 && c.b < 30; });
  const Point spd = Project(-2.4, -3.11, 13.0);
  EXPECT_NEAR(spd.x, 85.1, 0.1);
  EXPECT_NEAR(spd.y, 156.3, 0.1);
  EXPECT_NEAR((plate.minX + plate.maxX + 1) / 2.0, spd.x, 1.0);
  EXPECT_NEAR((plate.minY + plate.maxY + 1) / 2.0, spd.y, 1.0);
  EXPECT_NEAR(plate.Width(), 137.4, 1.5);
  EXPECT_GT(FindBlob(H(), GlideSlopeIndex).count, 100);
}

class FlightDirectorTest : public LayersTest {
 protected:
  static constexpr Rgb kBar{255, 0, 100};
  static constexpr Rgb kFlatSky{0, 0, 200};
  void SetUp() override {
    LayersTest::SetUp();
    (*harness_).UploadSlot(SlotHorizon, SolidImage(8, 8, kFlatSky));
    DecodedImage hMask = SolidImage(64, 64, kWhite), hBar = SolidImage(64, 64, kBlack);
    FillRect(hMask, 0, 28, 64, 36, kBlack);
    FillRect(hBar, 0, 28, 64, 36, kBar);
    DecodedImage vMask = SolidImage(64, 64, kWhite), vBar = SolidImage(64, 64, kBlack);
    FillRect(vMask, 28, 0, 36, 64, kBlack);
    FillRect(vBar, 28, 0, 36, 64, kBar);
    (*harness_).UploadSlot(SlotFdHMask, hMask);
    (*harness_).UploadSlot(SlotFdH, hBar);
    (*harness_).UploadSlot(SlotFdVMask, vMask);
    (*harness_).UploadSlot(SlotFdV, vBar);
  }
  static bool BarPixel(Rgb c) { return c.r > 150; }
};
constexpr Rgb FlightDirectorTest::kBar;
constexpr Rgb FlightDirectorTest::kFlatSky;

TEST_F(FlightDirectorTest, HorizontalBarMovesFiftyOnePointNinePixelsPerUnitAndItsMaskCutsTheSky) {
  const Point reference = Project(-1.64, -3.96, 17.2);
  EXPECT_NEAR(reference.x, 164.8, 0.1);
  EXPECT_NEAR(reference.y, 164.3, 0.1);
  for (float offset : {0.0f, 1.0f, -1.0f}) {
    DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
    DrawFdHorizontalBar(harness_->List(), harness_->Resources(), offset);
    H().Capture();
    const Blob bar = FindBlob(H(), BarPixel);
    ASSERT_GT(bar.count, 500) << offset;
    EXPECT_NEAR(bar.cx, reference.x, 0.6);
    EXPECT_NEAR(bar.cy - reference.y, offset * 51.9, 0.6);
    EXPECT_NEAR(bar.Width(), 103.9, 1.5);
    // The mask removed the sky under the bar: blue is the bar's own 100, not 200 + 100.
    const Rgb middle = H().At(static_cast<int>(bar.cx), static_cast<int>(bar.cy));
    EXPECT_TRUE(Near(middle, kBar)) << Str(middle);
    EXPECT_TRUE(Near(H().At(static_cast<int>(bar.cx), static_cast<int>(bar.cy) + 20), kFlatSky));
  }
}

TEST_F(FlightDirectorTest, VerticalBarMovesFortyThreePointEightPixelsAtFullCommand) {
  const Point reference = Project(-1.64, -3.93, 17.2);
  EXPECT_NEAR(reference.y, 165.9, 0.1);
  for (float offset : {0.0f, 0.84375f, -0.84375f}) {
    DrawAttitude(harness_->List(), harness_->Resources(), 0.0f, 0.0f);
    DrawFdVerticalBar(harness_->List(), harness_->Resources(), offset);
    H().Capture();
    const Blob bar = FindBlob(H(), BarPixel);
    ASSERT_GT(bar.count, 500) << offset;
    EXPECT_NEAR(bar.cy, reference.y, 0.6);
    EXPECT_NEAR(bar.cx - reference.x, offset * PixelsPerUnit(17.2), 0.6);
    if (offset != 0.0f) {
      EXPECT_NEAR(std::fabs(bar.cx - reference.x), 43.8, 0.6);
    }
    EXPECT_NEAR(bar.Height(), 103.9, 1.5);
    const Rgb middle = H().At(static_cast<int>(bar.cx), static_cast<int>(bar.cy));
    EXPECT_TRUE(Near(middle, kBar)) << Str(middle);
  }
}

TEST_F(FlightDirectorTest, EachBarLeavesAddModeAndItsImageAndDrawsInWhite) {
  struct Case {
    void (*draw)(render::DrawList&, const PanelResources&, float);
    TextureSlot image;
  };
  for (const Case& c : {Case{DrawFdHorizontalBar, SlotFdH}, Case{DrawFdVerticalBar, SlotFdV}}) {
    render::DrawList& list = harness_->List();
    DrawAttitude(list, harness_->Resources(), 0.0f, 0.0f);
    list.state.blending = false;
    list.SetColour(0, 0, 0);
    c.draw(list, harness_->Resources(), 0.3f);
    EXPECT_EQ(list.state.EffectiveBlend(), render::Blend::Add);
    EXPECT_EQ(list.state.texture, harness_->Resources().TextureNames[c.image]);
    // Drawn in white although the caller's colour was black.
    H().Capture();
    EXPECT_GT(FindBlob(H(), BarPixel).count, 500);
  }
}

// ---- Texture set loading -----------------------------------------------------------------------

// Runs in a fresh folder holding the bitmaps a test writes (data files are opened by bare names).
class TextureSetLoadTest : public LayersTest {
 protected:
  void SetUp() override {
    LayersTest::SetUp();
    (*harness_).DeleteTextures();
    char cwd[4096] = {};
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previousDirectory_ = cwd;
    folder_ = std::filesystem::temp_directory_path() /
              ("orvane_texture_set_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(chdir(folder_.c_str()), 0);
    // A namespace of its own: no simulator stand-in of another test run can answer.
    setenv("ORVANE_IPC_NAMESPACE", ("texture-set-" + std::to_string(getpid())).c_str(), 1);
  }
  void TearDown() override {
    (*harness_).DeleteTextures();
    if (!previousDirectory_.empty()) {
      EXPECT_EQ(chdir(previousDirectory_.c_str()), 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Slot i gets a (6 + i) x 4 picture (rows of odd byte lengths included) with a colour ramp.
  static DecodedImage SlotImage(int slot) {
    DecodedImage image = SolidImage(6 + slot, 4, Rgb{static_cast<uint8_t>(10 * slot), 0, 0});
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        orvane_test::SetTexel(image, x, y,
                              Rgb{static_cast<uint8_t>(10 * slot), static_cast<uint8_t>(20 * x),
                                  static_cast<uint8_t>(50 * y)});
      }
    }
    return image;
  }
  static DecodedImage FontImage() { return SolidImage(32, 32, Rgb{1, 2, 3}); }

  void WriteSet(bool withFont, int skipSlot = -1) {
    for (int slot = 0; slot < SlotCount; ++slot) {
      if (slot == skipSlot) continue;
      ASSERT_TRUE(orvane_test::WriteBytes(TextureFileNames[slot],
                                          orvane_test::EncodeBmp24(SlotImage(slot))));
    }
    if (withFont) {
      ASSERT_TRUE(orvane_test::WriteBytes(FontFileName, orvane_test::EncodeBmp24(FontImage())));
    }
  }

  // The level-0 picture of a texture name as GL holds it (empty when it has none).
  static DecodedImage TextureContent(uint32_t name) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    if (!image.rgb.empty()) {
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
      glPixelStorei(GL_PACK_ALIGNMENT, 4);
    }
    return image;
  }

  // Linear filters, between mipmap levels when minified and GL holds several: each level half the
  // one before.
  static void ExpectLinearFilters(uint32_t name) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint mag = 0, min = 0, wrap = 0, width = 0, halfWidth = 0, maxLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, 0x813D /* GL_TEXTURE_MAX_LEVEL */, &maxLevel);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &halfWidth);
    EXPECT_EQ(mag, GL_LINEAR);
    EXPECT_EQ(min, maxLevel > 0 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    if (maxLevel > 0) {
      EXPECT_EQ(halfWidth, width > 1 ? width / 2 : 1);
    }
    EXPECT_EQ(wrap, GL_REPEAT);  // the horizon relies on the default repeat
  }

  std::filesystem::path folder_;
  std::string previousDirectory_;
};

TEST_F(TextureSetLoadTest, NetworkModeUploadsEverySlotAndTheFontExactly) {
  WriteSet(true);
  ASSERT_TRUE(LoadTextureSet(harness_->Resources(), 1.0));
  for (int slot = 0; slot < SlotCount; ++slot) {
    SCOPED_TRACE(TextureFileNames[slot]);
    ASSERT_NE(harness_->Resources().TextureNames[slot], 0u);
    for (int other = 0; other < slot; ++other) EXPECT_NE(harness_->Resources().TextureNames[slot], harness_->Resources().TextureNames[other]);
    const DecodedImage expected = SlotImage(slot);
    const DecodedImage held = TextureContent(harness_->Resources().TextureNames[slot]);
    EXPECT_EQ(held.width, expected.width);
    EXPECT_EQ(held.height, expected.height);
    EXPECT_EQ(held.rgb, expected.rgb);  // t = 0 is the picture's bottom row
    ExpectLinearFilters(harness_->Resources().TextureNames[slot]);
  }
  ASSERT_NE(harness_->Resources().FontTexture, 0u);
  EXPECT_EQ(TextureContent(harness_->Resources().FontTexture).rgb, FontImage().rgb);
  ExpectLinearFilters(harness_->Resources().FontTexture);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureSetLoadTest, PartialSetLeavesTheMissingSlotsWithoutPictureAndNamesThem) {
  WriteSet(false, SlotIls);
  ASSERT_TRUE(orvane_test::WriteBytes("SPD.txr", std::vector<uint8_t>(100, 'x')));
  ::testing::internal::CaptureStderr();
  const bool ready = LoadTextureSet(harness_->Resources(), 1.0);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ready);
  for (int slot = 0; slot < SlotCount; ++slot) EXPECT_NE(harness_->Resources().TextureNames[slot], 0u) << slot;
  EXPECT_NE(harness_->Resources().FontTexture, 0u);
  EXPECT_EQ(TextureContent(harness_->Resources().TextureNames[SlotIls]).width, 0);
  EXPECT_EQ(TextureContent(harness_->Resources().TextureNames[SlotSpd]).width, 0);
  EXPECT_EQ(TextureContent(harness_->Resources().FontTexture).width, 0);
  EXPECT_EQ(TextureContent(harness_->Resources().TextureNames[SlotIlsInd]).width, SlotImage(SlotIlsInd).width);
  EXPECT_NE(log.find("\"ILS.txr\" is missing"), std::string::npos) << log;
  EXPECT_NE(log.find("\"SPD.txr\" is not a decodable BMP"), std::string::npos) << log;
  EXPECT_NE(log.find("\"font.bmp\" is missing"), std::string::npos) << log;
  EXPECT_EQ(log.find("ILS_ind.txr"), std::string::npos) << log;
}

TEST_F(TextureSetLoadTest, WithoutTheHorizonNoTextureIsCreatedAndNetworkModeFails) {
  WriteSet(true, SlotHorizon);
  EXPECT_FALSE(LoadTextureSet(harness_->Resources(), 1.0));
  for (int slot = 0; slot < SlotCount; ++slot) EXPECT_EQ(harness_->Resources().TextureNames[slot], 0u) << slot;
  EXPECT_EQ(harness_->Resources().FontTexture, 0u);
}

TEST_F(TextureSetLoadTest, SimulatorModeStartUpFailsOnTheLinkWhateverTheTextures) {
  // No simulator answers in this test's namespace: start-up fails, although the set is complete
  // and was loaded first.
  WriteSet(true);
  setenv("ORVANE_NO_DIALOGS", "1", 1);
  Display display(Settings{});
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(display.InitGl());
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("FSUIPC connection failed."), std::string::npos) << log;
  EXPECT_NE(display.resources().TextureNames[SlotHorizon], 0u);
  EXPECT_NE(display.resources().FontTexture, 0u);
}

// ---- The generated artwork -------------------------------------------------------------------

// With the real artwork of the run folder: the horizon line meets the aircraft symbol at pitch 0
// and moves 3.45 px per degree; a few pictures are kept in <build>/render-output for the eye.
TEST_F(LayersTest, GeneratedArtworkPutsTheHorizonThroughTheAircraftSymbol) {
  const std::string run = ORVANE_RUN_DIR;
  if (!std::filesystem::exists(run + "/pfd_2.txr")) {
    GTEST_SKIP() << "no generated artwork in " << run << " (target orvane-assetgen-run)";
  }
  (*harness_).DeleteTextures();
  std::string missing;
  EXPECT_EQ((*harness_).LoadTexturesFrom(run, missing), SlotCount + 1) << missing;
  const std::string out = run + "/../render-output";
  std::filesystem::create_directories(out);

  // Left of the wing, inside the horizon window: ground below the line, sky above it.
  const int column = 90;
  auto horizonAt = [&](double pitch) {
    DrawAttitude(harness_->List(), harness_->Resources(), static_cast<float>(kPitchScale * pitch), 0.0f);
    H().Capture();
    // The line may be drawn (white) between the two: ground, then sky within a few pixels.
    auto ground = [&](int y) { const Rgb c = H().At(column, y); return c.r > c.b + 30; };
    auto sky = [&](int y) { const Rgb c = H().At(column, y); return c.b > c.r + 30; };
    for (int y = 60; y < 300; ++y) {
      if (!ground(y) || ground(y + 1)) continue;
      for (int gap = 1; gap <= 5; ++gap) {
        if (sky(y + gap)) return y + 0.5 + gap / 2.0;
      }
    }
    return -1.0;
  };
  const double level = horizonAt(0.0);
  std::string error;
  EXPECT_TRUE(H().SavePanelPng(out + "/artwork_pitch0.png", error)) << error;
  EXPECT_NEAR(level, 165.0, 4.0);
  const double up = horizonAt(10.0);
  EXPECT_NEAR(up - level, 34.5, 2.0);

  DrawAttitude(harness_->List(), harness_->Resources(), static_cast<float>(kPitchScale * 5.0), 20.0f);
  DrawIls(harness_->List(), harness_->Resources(), 4, -0.6f, 0.7f);
  DrawSpdPlate(harness_->List(), harness_->Resources());
  DrawFdHorizontalBar(harness_->List(), harness_->Resources(), 0.3f);
  DrawFdVerticalBar(harness_->List(), harness_->Resources(), -0.2f);
  H().Capture();
  EXPECT_TRUE(H().SavePanelPng(out + "/artwork_pitch5_bank20_ils.png", error)) << error;
  EXPECT_TRUE(H().SaveSurfacePng(out + "/artwork_surface.png", error)) << error;
}

}  // namespace
