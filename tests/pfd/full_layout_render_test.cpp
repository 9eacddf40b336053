// The full layout drawn by the display's own code with the generated artwork, read back and
// probed: what the readouts read (matched against the font's own digits), where the marks, the
// needle, the card and the bugs are, and the flags. Built for Linux and Windows (run under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pfd/font.h"
#include "pfd/full_frame_draw.h"
#include "pfd/full_layout.h"
#include "pfd/tape_rules.h"
#include "platform/gl.h"
#include "support/render_harness.h"

using namespace full_layout;
using orvane_test::RenderHarness;
using orvane_test::Rgb;

namespace {

// Every value valid: 250 kt, heading 090, level at 10,000 ft, selected 250 kt, 10,000 ft, 090.
PrimaryFlightValues Cruise() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {250, true};
  v.mach = {0.78, true};
  v.headingMagneticDeg = {90, true};
  v.verticalSpeedFpm = {0, true};
  v.altitudeFt = {10000, true};
  v.selectedAirspeedKt = {250, true};
  v.selectedAltitudeFt = {10000, true};
  v.selectedHeadingDeg = {90, true};
  v.altimeterSettingHpa = {1013.25, true};
  return v;
}

int Luminance(Rgb c) { return std::max({int(c.r), int(c.g), int(c.b)}); }
bool IsWhite(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool IsMagenta(Rgb c) { return c.r > 200 && c.g < 120 && c.b > 200; }
bool IsAmber(Rgb c) { return c.r > 200 && c.g > 140 && c.g < 230 && c.b < 80; }

// A glyph's ink, as the test compares it: columns 1 to 7 of its cell (the neighbours' ink stays
// outside them), all 16 rows. A glyph after the first of a text sits a multiple of 1/16 pixel
// off the pixel grid (the advance is 7.8125 pixels), so each digit is kept in 16 phases.
constexpr int kFirstColumn = 1;
constexpr int kColumns = 7;
constexpr int kCellRows = 16;
constexpr int kPhases = 16;

class FullLayoutPicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    harness_ = new RenderHarness;
    std::string error;
    if (!harness_->Open(error)) {
      problem_ = "no GL surface: " + error;
      return;
    }
    // The textures and font as the display loads them, from the run folder (the current folder).
    if (!LoadTextureSet(harness_->Resources(), 1.0)) {
      problem_ = "no generated artwork in the run folder (build orvane-assetgen-run)";
      return;
    }
    if (!LoadFullLayoutTextures(textures_)) problem_ = "the full layout's textures are missing in the run folder";
    for (int set = 0; set < 2; ++set) DigitTemplates(set);
  }
  static void TearDownTestSuite() {
    if (harness_ != nullptr && harness_->IsOpen()) glDeleteTextures(FullSlotCount, textures_.names);
    delete harness_;
    harness_ = nullptr;
  }
  void SetUp() override {
    if (!problem_.empty()) GTEST_SKIP() << problem_;
  }

  // Draws a full-layout frame at scale 1 (the panel at the surface's lower-left corner) and reads it back.
  void Draw(const PrimaryFlightValues& values) {
    RenderHarness::ResetGlState();
    harness_->ResetList();
    const FullFrameDescription frame = DecideFullFrame(FrameDescription{}, values, {}, BaroUnit::Hpa);
    DrawFullFrame(harness_->List(), harness_->Resources(), textures_, frame, FullStandardLayout());
    harness_->Capture();
  }
  Rgb At(double x, double y) const { return harness_->At(int(std::floor(x)), int(std::floor(y))); }

  // The digits of glyph set `set` drawn by PrintText on black, white, in every phase.
  static void DigitTemplates(int set) {
    RenderHarness::ResetGlState();
    harness_->ResetList();
    glClear(GL_COLOR_BUFFER_BIT);
    harness_->List().state.blending = true;
    harness_->List().state.blendFunction = render::Blend::Add;
    harness_->List().SetColourFloat(255, 255, 255);
    auto place = [](int digit, int phase) { return std::pair<int, int>{20 + 24 * digit, 20 + 24 * phase}; };
    for (int phase = 0; phase < kPhases; ++phase) {
      for (int d = 0; d < 10; ++d) {
        const auto [x, y] = place(d, phase);
        PrintText(harness_->List(), harness_->Resources(), std::string(1, char('0' + d)), set, (x + phase / 16.0f) * 640.0f / 500.0f,
                  float(y));
      }
    }
    harness_->Capture();
    for (int phase = 0; phase < kPhases; ++phase) {
      for (int d = 0; d < 10; ++d) {
        const auto [x, y] = place(d, phase);
        std::vector<int>& cell = digits_[set][d][phase];
        cell.clear();
        for (int j = 0; j < kCellRows; ++j)
          for (int i = kFirstColumn; i < kFirstColumn + kColumns; ++i) cell.push_back(Luminance(harness_->At(x + i, y + j)));
      }
    }
  }

  // What the digits of glyph set `set` inside a box read, left to right: every place where a
  // digit matches the picture (added to the box's most common shade), its cell inside the box.
  std::string Read(const Box& box, int set) const {
    int counts[256] = {};
    for (int y = int(std::ceil(box.y0)); y < int(std::floor(box.y1)); ++y)
      for (int x = int(std::ceil(box.x0)); x < int(std::floor(box.x1)); ++x) ++counts[Luminance(At(x, y))];
    const int background = int(std::max_element(counts, counts + 256) - counts);
    struct Hit {
      int x, y, digit;
      double score;
    };
    std::vector<Hit> hits;
    for (int y = int(std::ceil(box.y0)); y + kCellRows <= int(std::floor(box.y1)); ++y) {
      for (int x = int(std::ceil(box.x0)); x + kFirstColumn + kColumns <= int(std::floor(box.x1)); ++x) {
        for (int d = 0; d < 10; ++d) {
          for (int phase = 0; phase < kPhases; ++phase) {
            const std::vector<int>& t = digits_[set][d][phase];
            double sum = 0;
            int ink = 0;
            for (int j = 0; j < kCellRows; ++j) {
              for (int i = 0; i < kColumns; ++i) {
                const int want = t[size_t(j) * kColumns + i];
                sum += std::abs(Luminance(harness_->At(x + kFirstColumn + i, y + j)) - std::min(255, background + want));
                ink += want;
              }
            }
            const double score = sum / std::max(ink, 1);
            if (score < 0.15) hits.push_back({x, y, d, score});
          }
        }
      }
    }
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.score < b.score; });
    std::vector<Hit> taken;
    for (const Hit& h : hits) {
      bool clear = true;
      for (const Hit& t : taken) clear = clear && std::abs(t.x - h.x) >= 5;
      if (clear) taken.push_back(h);
    }
    std::sort(taken.begin(), taken.end(), [](const Hit& a, const Hit& b) { return a.x < b.x; });
    std::string text;
    for (const Hit& h : taken) text += char('0' + h.digit);
    return text;
  }

  // The rows (bottom to top) where a column is white, each run of rows as its middle.
  std::vector<double> WhiteRuns(double x, double y0, double y1) const {
    std::vector<double> runs;
    int start = -1;
    for (int y = int(y0); y <= int(y1) + 1; ++y) {
      const bool white = y <= int(y1) && IsWhite(At(x, y));
      if (white && start < 0) start = y;
      if (!white && start >= 0) {
        runs.push_back((start + y - 1) / 2.0 + 0.5);
        start = -1;
      }
    }
    return runs;
  }

  // The middle of the rows of a column where the needle (white) is, inside the scale and clear of
  // the zero mark.
  double NeedleRow(double x) const {
    double sum = 0, weight = 0;
    for (int y = int(kVerticalSpeedScale.y0); y < int(kVerticalSpeedScale.y1); ++y) {
      if (std::fabs(y + 0.5 - kCentreY) < 4) continue;
      const Rgb c = At(x, y);
      if (c.r < 120) continue;  // the scale's grey or nothing
      sum += (y + 0.5) * c.r;
      weight += c.r;
    }
    return weight > 0 ? sum / weight : -1;
  }

  // The middle of the magenta rows of a column.
  double MagentaMiddle(double x, double y0, double y1) const {
    double sum = 0;
    int n = 0;
    for (int y = int(y0); y <= int(y1); ++y)
      if (IsMagenta(At(x, y))) sum += y + 0.5, ++n;
    return n > 0 ? sum / n : -1;
  }

  static RenderHarness* harness_;
  static FullLayoutTextures textures_;
  static std::string problem_;
  static std::vector<int> digits_[2][10][kPhases];
};

RenderHarness* FullLayoutPicture::harness_ = nullptr;
FullLayoutTextures FullLayoutPicture::textures_;
std::string FullLayoutPicture::problem_;
std::vector<int> FullLayoutPicture::digits_[2][10][kPhases];

TEST_F(FullLayoutPicture, At250KtThe250MarkIsOnTheCentreLineAndTheBoxReads250) {
  Draw(Cruise());
  EXPECT_EQ(Read(kSpeedBox, 1), "250");
  // The tick right of the box's pointer, on the centre line; the labels 280 above and 220 below,
  // clear of the box (260 and 240 reach under its drum window).
  const std::vector<double> ticks = WhiteRuns(kSpeedTape.x1 - 2, kSpeedBox.y0 - 4, kSpeedBox.y1 + 4);
  ASSERT_EQ(ticks.size(), 1u) << "one tick beside the box";
  EXPECT_NEAR(ticks[0], kCentreY, 1.0);
  EXPECT_EQ(Read({kSpeedTape.x0, kCentreY + 60, kSpeedTape.x1, kCentreY + 90}, 0), "280");
  EXPECT_EQ(Read({kSpeedTape.x0, kCentreY - 90, kSpeedTape.x1, kCentreY - 60}, 0), "220");
}

TEST_F(FullLayoutPicture, At10000FtTheBoxReads10000With00OnTheDrum) {
  Draw(Cruise());
  EXPECT_EQ(Read(kAltitudeBox, 1), "10000");
  EXPECT_EQ(Read(kAltitudeDrum, 1), "00") << "00 on the drum's centre line";
  PrimaryFlightValues v = Cruise();
  v.altitudeFt.value = 10020;
  Draw(v);
  EXPECT_EQ(Read(kAltitudeBox, 1), "10020");
}

TEST_F(FullLayoutPicture, Heading090SitsUnderTheLubberLine) {
  Draw(Cruise());
  EXPECT_EQ(Read(kHeadingBox, 1), "090");
  // The card's label under the lubber line, between the line's end and the panel's edge.
  double sum = 0, weight = 0;
  for (int y = int(kLubberBottom) - 16; y < int(kLubberBottom) - 1; ++y) {
    for (int x = int(kSymbolX) - 12; x <= int(kSymbolX) + 12; ++x) {
      const int l = Luminance(At(x, y));
      sum += (x + 0.5) * l;
      weight += l;
    }
  }
  ASSERT_GT(weight, 255 * 10) << "a label under the lubber line";
  EXPECT_NEAR(sum / weight, kSymbolX, 1.0) << "centred under the lubber line";
}

TEST_F(FullLayoutPicture, Plus1500FtPerMinPointsAtThe15MarkAndShows15) {
  // The marks first, the needle level at zero below them: the third above zero is 1,500.
  PrimaryFlightValues v = Cruise();
  Draw(v);
  const double markX = kVerticalSpeedMarkX + 2;
  std::vector<double> marks = WhiteRuns(markX, kCentreY + 2, kVerticalSpeedScale.y1);
  ASSERT_GE(marks.size(), 3u);
  const double mark1500 = marks[2];
  double left = markX;
  while (IsWhite(At(left - 1, mark1500))) left -= 1;  // where the marks start

  v.verticalSpeedFpm = {1500, true};
  Draw(v);
  // The needle in two columns right of the marks, followed back to where the marks start.
  const double xa = kVerticalSpeedScale.x1 - 3, xb = kVerticalSpeedScale.x1 - 8;
  const double ya = NeedleRow(xa), yb = NeedleRow(xb);
  ASSERT_GT(ya, 0);
  ASSERT_GT(yb, 0);
  const double atMarks = ya + (yb - ya) * (left - xa) / (xb - xa);
  EXPECT_NEAR(atMarks, mark1500, 1.5);
  EXPECT_EQ(Read({kVerticalSpeedScale.x0, kVerticalSpeedScale.y1, kVerticalSpeedScale.x1, kVerticalSpeedScale.y1 + 24}, 1),
            "1500");
}

TEST_F(FullLayoutPicture, SelectedAltitudeBugParksAtTheTapesEdgeWhen5000FtAway) {
  const double x = kAltitudeTape.x0 - 3;  // through the bug's body, left of the tape
  PrimaryFlightValues v = Cruise();
  v.selectedAltitudeFt.value = 15000;
  Draw(v);
  const double high = MagentaMiddle(x, kAltitudeTape.y0 - 20, kAltitudeTape.y1 + 20);
  EXPECT_GT(high, kAltitudeTape.y1 - 12) << "at the upper edge";
  EXPECT_LT(high, kAltitudeTape.y1);
  v.selectedAltitudeFt.value = 5000;
  Draw(v);
  const double low = MagentaMiddle(x, kAltitudeTape.y0 - 20, kAltitudeTape.y1 + 20);
  EXPECT_LT(low, kAltitudeTape.y0 + 12) << "at the lower edge";
  EXPECT_GT(low, kAltitudeTape.y0);
  // 200 ft above: on the second tick above the centre line.
  v.selectedAltitudeFt.value = 10200;
  Draw(v);
  const std::vector<double> ticks = WhiteRuns(kAltitudeTape.x0 + 2, kCentreY + kAltitudeBox.Height() / 2,
                                              kAltitudeTape.y1);
  ASSERT_GE(ticks.size(), 2u);
  EXPECT_NEAR(MagentaMiddle(x, kAltitudeTape.y0, kAltitudeTape.y1), ticks[1], 1.0);
}

TEST_F(FullLayoutPicture, AStaleSpeedShowsSpdAndNoSpeedReadoutWhileTheRestStaysLive) {
  PrimaryFlightValues v = Cruise();
  v.indicatedAirspeedKt.valid = false;
  Draw(v);
  int amber = 0;
  for (int y = int(kSpeedBox.y0); y < int(kSpeedBox.y1); ++y)
    for (int x = int(kSpeedTape.x0); x < int(kSpeedTape.x1); ++x) amber += IsAmber(At(x, y));
  EXPECT_GT(amber, 40) << "the amber SPD flag on the tape";
  EXPECT_EQ(Read(kSpeedBox, 1), "") << "no speed figures";
  EXPECT_TRUE(WhiteRuns(kSpeedTape.x1 - 2, kSpeedTape.y0, kSpeedTape.y1).empty()) << "no scale";
  EXPECT_EQ(MagentaMiddle(kSpeedTape.x1 + 3, kSpeedTape.y0, kSpeedTape.y1), -1) << "no bug without a speed";
  EXPECT_EQ(Read(kAltitudeBox, 1), "10000");
  EXPECT_EQ(Read(kHeadingBox, 1), "090");
  int amberElsewhere = 0;
  for (const Box& b : {kAltitudeTape, kVerticalSpeedScale, kHeadingBox})
    for (int y = int(b.y0); y < int(b.y1); ++y)
      for (int x = int(b.x0); x < int(b.x1); ++x) amberElsewhere += IsAmber(At(x, y));
  EXPECT_EQ(amberElsewhere, 0) << "no other instrument's flag";
}

}  // namespace
