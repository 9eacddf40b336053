// Render tests of the bitmap font: glyph choice, placement, advance, colour and the GL state PrintText leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/gl.h"
#include "pfd/font.h"
#include "pfd/bmp_decoder.h"
#include "support/render_harness.h"

using orvane_test::FillRect;
using orvane_test::RenderHarness;
using orvane_test::Rgb;
using orvane_test::SolidImage;

namespace {

constexpr double kTextToPixelsX = 500.0 / 640.0;  // text space is 640 units over 500 pixels
constexpr int kGreen = 200;                       // every cell's green: "a glyph is here"
constexpr int kBlue = 100;

// A 256 x 256 font whose cell n (column n % 16 from the left, row n / 16 from the top) is filled
// with red = n, green 200, blue 100: the red channel of a glyph's centre names the glyph drawn.
DecodedImage NumberedFont() {
  DecodedImage font = SolidImage(256, 256, Rgb{});
  for (int n = 0; n < 256; ++n) {
    const int column = n % 16;
    const int rowFromTop = n / 16;
    const int y0 = 256 - 16 * (rowFromTop + 1);  // the decoded image keeps the bottom row first
    FillRect(font, column * 16, y0, column * 16 + 16, y0 + 16,
             Rgb{static_cast<uint8_t>(n), kGreen, kBlue});
  }
  return font;
}

class FontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    harness_ = new RenderHarness();
    if (!harness_->Open(openError_)) return;
    (*harness_).UploadFont(NumberedFont());
  }
  static void TearDownTestSuite() {
    delete harness_;
    harness_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(harness_->IsOpen()) << openError_;
    RenderHarness::ResetGlState();
    harness_->ResetList();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  // The pixel at the middle of the k-th glyph of a text printed at (x, y): its quad is
  // 16 x 16 units and the next glyph starts 10 units on, so the middle is never overlapped.
  Rgb GlyphMiddle(float x, float y, int k) {
    const double px = (x + 10.0 * k + 8.0) * kTextToPixelsX;
    return harness_->At(static_cast<int>(px), static_cast<int>(y + 8.0f));
  }

  static RenderHarness* harness_;
  static std::string openError_;
};
RenderHarness* FontTest::harness_ = nullptr;
std::string FontTest::openError_;

TEST_F(FontTest, EachCharacterDrawsItsGlyphTenUnitsAfterThePreviousOne) {
  PrintText(harness_->List(), harness_->Resources(), "AP ENG", 0, 300.0f, 50.0f);
  harness_->Capture();
  const std::string text = "AP ENG";
  for (int k = 0; k < 6; ++k) {
    const Rgb c = GlyphMiddle(300.0f, 50.0f, k);
    EXPECT_EQ(c.r, text[k] - 32) << "glyph " << k;  // "A" is glyph 33, the blank glyph 0
    EXPECT_NEAR(c.g, kGreen, 1) << "glyph " << k;
  }
  // The quads: 16 units high from y = 50, the text from x = 300 to 350 + 16 units.
  const int middleX = static_cast<int>(320 * kTextToPixelsX);
  EXPECT_EQ(harness_->At(middleX, 49).g, 0);
  EXPECT_GT(harness_->At(middleX, 50).g, 150);
  EXPECT_GT(harness_->At(middleX, 65).g, 150);
  EXPECT_EQ(harness_->At(middleX, 66).g, 0);
  EXPECT_EQ(harness_->At(static_cast<int>(300 * kTextToPixelsX) - 1, 58).g, 0);
  EXPECT_GT(harness_->At(static_cast<int>(300 * kTextToPixelsX) + 1, 58).g, 150);
  EXPECT_GT(harness_->At(static_cast<int>(366 * kTextToPixelsX) - 1, 58).g, 150);
  EXPECT_EQ(harness_->At(static_cast<int>(366 * kTextToPixelsX) + 1, 58).g, 0);
}

TEST_F(FontTest, AdvanceIsSevenPointEightPixels) {
  // In "AB" the second glyph starts 10 units (7.8 pixels) after the first and covers its overlap;
  // it is the glyph a one-letter text ten units further right draws.
  PrintText(harness_->List(), harness_->Resources(), "AB", 0, 100.0f, 300.0f);
  PrintText(harness_->List(), harness_->Resources(), "B", 0, 110.0f, 400.0f);
  harness_->Capture();
  int leftA = -1, leftB = -1;
  for (int x = 60; x < 120; ++x) {
    if (leftA < 0 && harness_->At(x, 308).g > 150) leftA = x;
    if (leftB < 0 && harness_->At(x, 308).r == 'B' - 32) leftB = x;
  }
  ASSERT_GE(leftA, 0);
  ASSERT_GE(leftB, 0);
  EXPECT_NEAR(leftB - leftA, 7.8, 1.0);
  EXPECT_NEAR(leftA, 100 * kTextToPixelsX, 1.0);
  EXPECT_EQ(GlyphMiddle(100.0f, 300.0f, 0).r, 'A' - 32);
  EXPECT_EQ(GlyphMiddle(100.0f, 300.0f, 1).r, 'B' - 32);
  EXPECT_EQ(GlyphMiddle(110.0f, 400.0f, 0).r, 'B' - 32);
}

TEST_F(FontTest, GlyphSetsAboveOneDrawSetOne) {
  PrintText(harness_->List(), harness_->Resources(), "A", 1, 100.0f, 100.0f);
  PrintText(harness_->List(), harness_->Resources(), "A", 2, 100.0f, 200.0f);
  PrintText(harness_->List(), harness_->Resources(), "A", 0, 100.0f, 300.0f);
  harness_->Capture();
  EXPECT_EQ(GlyphMiddle(100.0f, 100.0f, 0).r, 33 + 128);
  EXPECT_EQ(GlyphMiddle(100.0f, 200.0f, 0).r, 33 + 128);
  EXPECT_EQ(GlyphMiddle(100.0f, 300.0f, 0).r, 33);
}

TEST_F(FontTest, NegativeGlyphSetDrawsSetZero) {
  // Below 0 the list base would reach lists before the font's; it is taken as set 0.
  PrintText(harness_->List(), harness_->Resources(), "A", -1, 100.0f, 100.0f);
  PrintText(harness_->List(), harness_->Resources(), "A", -100, 100.0f, 200.0f);
  harness_->Capture();
  EXPECT_EQ(GlyphMiddle(100.0f, 100.0f, 0).r, 33);
  EXPECT_EQ(GlyphMiddle(100.0f, 200.0f, 0).r, 33);
}

TEST_F(FontTest, TextTakesTheCurrentColour) {
  harness_->List().SetColourFloat(255, 128, 0);
  PrintText(harness_->List(), harness_->Resources(), "Z", 0, 200.0f, 200.0f);
  harness_->Capture();
  const Rgb c = GlyphMiddle(200.0f, 200.0f, 0);
  EXPECT_EQ(c.r, 'Z' - 32);
  EXPECT_NEAR(c.g, kGreen / 2, 1);
  EXPECT_EQ(c.b, 0);
}

TEST_F(FontTest, BytesOutsideTheFontAreLeftOut) {
  // 0xC1 would be list offset -63 and a control code would fall before the first glyph of set 0.
  PrintText(harness_->List(), harness_->Resources(), std::string("\xC1\x01" "A"), 0, 100.0f, 100.0f);
  harness_->Capture();
  EXPECT_EQ(GlyphMiddle(100.0f, 100.0f, 0).r, 'A' - 32);
  EXPECT_EQ(GlyphMiddle(100.0f, 100.0f, 1).g, 0);
  EXPECT_EQ(GlyphMiddle(100.0f, 100.0f, 2).g, 0);
}

TEST_F(FontTest, PrintingLeavesTheListsProjectionAndTransformAndTheFontBound) {
  render::DrawList& list = harness_->List();
  list.LoadIdentity();
  list.Translate(0.5f, -0.25f, -7.0f);
  const render::ListState before = list.state;
  PrintText(list, harness_->Resources(), "ALT*", 0, 10.0f, 10.0f);
  EXPECT_TRUE(list.state.view == before.view);
  ASSERT_EQ(list.state.transform.size(), before.transform.size());
  EXPECT_EQ(list.state.transform[0].z, -7.0f);
  EXPECT_EQ(list.state.texture, harness_->Resources().FontTexture);
  // One run of four glyphs in the 640 x 740 text space.
  ASSERT_EQ(list.commands.size(), 1u);
  EXPECT_EQ(list.commands[0].vertexCount, 16u);
  EXPECT_EQ(list.views[list.commands[0].view].projection.kind, render::Projection::Ortho);
  // The last glyph's right edge: 10 + 3 x 10 + 16 text units, 56 x 500 / 640 pixels.
  EXPECT_NEAR(list.WindowBounds(list.commands[0]).x1, 56 * 500.0 / 640.0, 1e-3);
  // The GL context's matrices are as the backend found them.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.5f, -0.25f, -7.0f);
  GLfloat projectionBefore[16], modelviewBefore[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelviewBefore);
  harness_->Flush();
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat projection[16], modelview[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(projection[i], projectionBefore[i]) << i;
    EXPECT_FLOAT_EQ(modelview[i], modelviewBefore[i]) << i;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FontTest, EmptyTextTouchesNothing) {
  harness_->Capture();
  const std::vector<uint8_t> before = harness_->Pixels();
  PrintText(harness_->List(), harness_->Resources(), "", 0, 10.0f, 10.0f);
  EXPECT_TRUE(harness_->List().commands.empty());
  harness_->Capture();
  EXPECT_EQ(before, harness_->Pixels());
}

}  // namespace
