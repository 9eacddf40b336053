// Tests of orvane-assetgen: the files it writes, their formats, determinism, and where the artwork lands on screen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "pfd/full_layout.h"

namespace {

namespace fs = std::filesystem;

const std::string kGenerator = std::string(ORVANE_RUN_DIR) + "/orvane-assetgen" ORVANE_EXE_SUFFIX;

const char* const kTextures[] = {
    "pfd_2.txr",  "static_mask.txr", "static_ind.txr", "window_mask.txr", "window.txr",
    "ILS.txr",    "ILS_ind.txr",     "ILS_H.txr",      "SPD.txr",         "ILSH_ind.txr",
    "fdH_mask.txr", "fdH.txr",       "fdV_mask.txr",   "fdV.txr",         "no_ILS.txr",
    "roll_needle.txr"};

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs the generator with arguments, bounded to two minutes, and collects what it prints.
RunResult RunGenerator(const std::string& args) {
  const std::string cmd = "timeout 120 '" + kGenerator + "' " + args + " 2>&1";
  RunResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) r.output += buf;
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b.at(at) | (b.at(at + 1) << 8);
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

struct Colour {
  double r = 0, g = 0, b = 0;
};

// A decoded 24-bit BMP; Parse() checks every header field the display's loader relies on.
struct Bmp {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;
  std::uint32_t offset = 0;
  std::uint32_t stride = 0;

  ::testing::AssertionResult Parse(const fs::path& path) {
    bytes = ReadAll(path);
    if (bytes.size() < 54) return ::testing::AssertionFailure() << path << " too short";
    if (bytes[0] != 'B' || bytes[1] != 'M') return ::testing::AssertionFailure() << "no BM magic";
    if (U32(bytes, 2) != bytes.size()) return ::testing::AssertionFailure() << "bfSize mismatch";
    offset = U32(bytes, 10);
    if (U32(bytes, 14) != 40) return ::testing::AssertionFailure() << "not a BITMAPINFOHEADER";
    const auto w = static_cast<std::int32_t>(U32(bytes, 18));
    const auto h = static_cast<std::int32_t>(U32(bytes, 22));
    if (w <= 0 || h <= 0) return ::testing::AssertionFailure() << "not bottom-up or empty";
    if (U16(bytes, 26) != 1 || U16(bytes, 28) != 24 || U32(bytes, 30) != 0) {
      return ::testing::AssertionFailure() << "not 24-bit uncompressed";
    }
    width = w;
    height = h;
    stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    if (offset < 54 || offset + static_cast<std::uint64_t>(stride) * height > bytes.size()) {
      return ::testing::AssertionFailure() << "pixel data out of the file";
    }
    return ::testing::AssertionSuccess();
  }

  // Texel (x, y), row 0 at the bottom.
  Colour Texel(int x, int y) const {
    const std::size_t at = offset + static_cast<std::size_t>(y) * stride + x * 3;
    return {static_cast<double>(bytes[at + 2]), static_cast<double>(bytes[at + 1]),
            static_cast<double>(bytes[at])};
  }
  // Nearest texel to texture coordinates (s, t), wrapping as the display's textures repeat.
  Colour AtTexCoord(double s, double t) const {
    int x = static_cast<int>(std::floor(s * width));
    int y = static_cast<int>(std::floor(t * height));
    x = ((x % width) + width) % width;
    y = ((y % height) + height) % height;
    return Texel(x, y);
  }
};

bool IsPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

// Screen geometry of the display, worked out here from the layers' model translations: a 45-degree
// perspective over a 500 x 740 viewport, so at depth d one model unit spans 370 / (d tan 22.5) px.
struct Placement {
  double x, y, depth, half;
  double Scale() const { return 370.0 / (depth * std::tan(22.5 * M_PI / 180.0)); }
  double CentreX() const { return 250.0 + x * Scale(); }
  double CentreY() const { return 370.0 + y * Scale(); }
  double Size() const { return 2.0 * half * Scale(); }
  // Texture coordinates under screen pixel position (px, py), for the quad moved by (dx, dy) px.
  double S(double px, double dx = 0) const { return (px - CentreX() - dx) / Size() + 0.5; }
  double T(double py, double dy = 0) const { return (py - CentreY() - dy) / Size() + 0.5; }
};

const std::map<std::string, Placement> kPlacements = {
    {"pfd_2.txr", {-0.274, -0.695, 3.0, 1.0}},
    {"static_mask.txr", {-0.375, -0.95, 4.0, 0.65}},
    {"static_ind.txr", {-0.375, -0.95, 4.0, 0.65}},
    {"window_mask.txr", {-0.33, -0.8, 3.5, 0.65}},
    {"window.txr", {-0.33, -0.8, 3.5, 0.65}},
    {"roll_needle.txr", {-0.39, -0.891, 4.0, 0.65}},
    {"ILS.txr", {1.57, -3.44, 13.0, 1.0}},
    {"no_ILS.txr", {1.57, -3.44, 13.0, 1.0}},
    {"ILS_ind.txr", {2.65, -7.38, 33.0, 0.65}},
    {"ILS_H.txr", {-1.24, -5.59, 13.0, 1.0}},
    {"ILSH_ind.txr", {-3.67, -14.37, 39.0, 0.65}},
    {"SPD.txr", {-2.4, -3.11, 13.0, 1.0}},
    {"fdH_mask.txr", {-1.64, -3.96, 17.2, 1.0}},
    {"fdH.txr", {-1.64, -3.96, 17.2, 1.0}},
    {"fdV_mask.txr", {-1.64, -3.93, 17.2, 1.0}},
    {"fdV.txr", {-1.64, -3.93, 17.2, 1.0}},
};

bool IsWhite(Colour c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool IsBlack(Colour c) { return c.r < 20 && c.g < 20 && c.b < 20; }
bool IsSky(Colour c) { return c.b > 150 && c.b > c.r + 80; }
bool IsGround(Colour c) { return c.r > 90 && c.r > c.b + 50 && !IsWhite(c); }
bool IsMagenta(Colour c) { return c.r > 200 && c.b > 200 && c.g < 100; }
bool IsYellow(Colour c) { return c.r > 200 && c.g > 150 && c.b < 80; }

std::string Describe(Colour c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%.0f, %.0f, %.0f)", c.r, c.g, c.b);
  return buf;
}

class AssetgenTest : public ::testing::Test {
 protected:
  static fs::path dir_;
  static RunResult run_;

  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/orvane-assetgen-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    ASSERT_NE(made, nullptr);
    dir_ = made;
    run_ = RunGenerator("--out '" + (dir_ / "a").string() + "'");
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void SetUp() override { ASSERT_EQ(run_.exitCode, 0) << run_.output; }

  // The decoded file from the first run (decoded once per test program).
  static const Bmp& Load(const std::string& file) {
    static std::map<std::string, Bmp> cache;
    auto it = cache.find(file);
    if (it == cache.end()) {
      Bmp bmp;
      EXPECT_TRUE(bmp.Parse(dir_ / "a" / file)) << file;
      it = cache.emplace(file, std::move(bmp)).first;
    }
    return it->second;
  }
  // Colour of a texture at a screen pixel position, the quad moved by (dx, dy) pixels.
  static Colour AtScreen(const std::string& file, double x, double y, double dx = 0,
                         double dy = 0) {
    const Placement& p = kPlacements.at(file);
    return Load(file).AtTexCoord(p.S(x, dx), p.T(y, dy));
  }
};

fs::path AssetgenTest::dir_;
RunResult AssetgenTest::run_;

TEST_F(AssetgenTest, WritesEveryFileAsAPowerOfTwo24BitBitmap) {
  for (const char* file : kTextures) {
    Bmp bmp;
    ASSERT_TRUE(bmp.Parse(dir_ / "a" / file)) << file;
    EXPECT_TRUE(IsPowerOfTwo(bmp.width) && IsPowerOfTwo(bmp.height)) << file;
    EXPECT_EQ(bmp.width, bmp.height) << file;
    EXPECT_GE(bmp.width, 64) << file;
  }
  // Sharp up to a panel three times today's size: at least one texel per pixel there, and no
  // more than twice that (the next smaller power of two would not do).
  for (const char* file : kTextures) {
    const double sizeAt3x = 3.0 * kPlacements.at(file).Size();
    EXPECT_GE(Load(file).width, sizeAt3x) << file;
    EXPECT_LT(Load(file).width, 2.0 * sizeAt3x) << file;
  }
  EXPECT_EQ(Load("pfd_2.txr").width, 2048);  // 595.5 px today, 1786.5 px at 3 x
  Bmp font;
  ASSERT_TRUE(font.Parse(dir_ / "a" / "font.bmp"));
  // A cell is shown 16 px high today, 48 px at 3 x.
  EXPECT_GE(font.width / 16, 48);
  EXPECT_TRUE(IsPowerOfTwo(font.width));
  EXPECT_EQ(font.width, font.height);
  EXPECT_NE(run_.output.find("wrote pfd_2.txr"), std::string::npos) << "progress lines expected";
}

TEST_F(AssetgenTest, FullLayoutTexturesAreSharpAtThreeTimesTheirPlace) {
  namespace fl = full_layout;
  const std::pair<int, fl::Box> placed[] = {
      {fl::FullSlotSpeedBoxMask, fl::kSpeedBoxArt},       {fl::FullSlotSpeedBox, fl::kSpeedBoxArt},
      {fl::FullSlotAltitudeBoxMask, fl::kAltitudeBoxArt}, {fl::FullSlotAltitudeBox, fl::kAltitudeBoxArt},
      {fl::FullSlotHeadingBoxMask, fl::kHeadingBoxArt},   {fl::FullSlotHeadingBox, fl::kHeadingBoxArt},
      {fl::FullSlotBugMask, fl::kBugArt},                 {fl::FullSlotBug, fl::kBugArt},
      {fl::FullSlotTrendHeadMask, fl::kTrendHeadArt},     {fl::FullSlotTrendHead, fl::kTrendHeadArt},
      {fl::FullSlotNeedle, fl::kNeedleArt}};
  for (const auto& [slot, box] : placed) {
    const char* file = fl::kFullTextureFiles[slot];
    const Bmp& bmp = Load(file);
    EXPECT_TRUE(IsPowerOfTwo(bmp.width) && IsPowerOfTwo(bmp.height)) << file;
    EXPECT_GE(bmp.width, 3 * box.Width()) << file;
    EXPECT_GE(bmp.height, 3 * box.Height()) << file;
  }
  // The card: a row holds a quarter and its margins along the outer edge.
  const Bmp& card = Load(fl::kFullTextureFiles[fl::FullSlotCard]);
  const double rowLengthPx = (90 + 2 * fl::kCardMarginDeg) * 3.14159265358979 / 180 * fl::kCardBandOuter;
  EXPECT_GE(card.width, 3 * rowLengthPx);
  EXPECT_GE(card.height / fl::kCardRows, 3 * (fl::kCardBandOuter - fl::kCardBandInner));
}

TEST_F(AssetgenTest, IconHoldsSixteenThirtyTwoAndFortyEightPixelImages) {
  const std::vector<std::uint8_t> ico = ReadAll(dir_ / "a" / "plane2.ico");
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(U16(ico, 0), 0u);
  EXPECT_EQ(U16(ico, 2), 1u);
  const std::uint32_t count = U16(ico, 4);
  ASSERT_EQ(count, 3u);
  std::vector<int> sizes;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const int size = ico.at(e) == 0 ? 256 : ico.at(e);
    sizes.push_back(size);
    EXPECT_EQ(ico.at(e + 1), ico.at(e)) << "square image";
    const std::uint32_t bytes = U32(ico, e + 8);
    const std::uint32_t at = U32(ico, e + 12);
    ASSERT_LE(static_cast<std::uint64_t>(at) + bytes, ico.size()) << "entry " << i;
    // A 32-bit DIB of double height (colour rows, then the AND mask).
    EXPECT_EQ(U32(ico, at), 40u);
    EXPECT_EQ(static_cast<int>(U32(ico, at + 4)), size);
    EXPECT_EQ(static_cast<int>(U32(ico, at + 8)), 2 * size);
    EXPECT_EQ(U16(ico, at + 14), 32u);
    const std::uint32_t maskStride = ((size + 31) / 32) * 4;
    EXPECT_EQ(bytes, 40u + size * size * 4u + maskStride * size);
    // The picture: opaque in the middle (the fuselage), transparent in a corner, and the AND mask
    // agreeing with the alpha channel.
    auto alpha = [&](int x, int y) { return ico.at(at + 40 + (y * size + x) * 4 + 3); };
    auto maskBit = [&](int x, int y) {
      return (ico.at(at + 40 + size * size * 4 + y * maskStride + x / 8) >> (7 - x % 8)) & 1;
    };
    EXPECT_GT(alpha(size / 2, size / 2), 200) << size;
    EXPECT_EQ(maskBit(size / 2, size / 2), 0) << size;
    EXPECT_EQ(alpha(0, size - 1), 0) << size;
    EXPECT_EQ(maskBit(0, size - 1), 1) << size;
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

// Ink of one font cell: total brightness, and the rightmost and leftmost inked columns.
struct CellInk {
  double total = 0;
  int minColumn = 1000;
  int maxColumn = -1;
};

CellInk InkOfGlyph(const Bmp& font, int glyph) {
  const int cell = font.width / 16;
  const int x0 = (glyph % 16) * cell;
  const int top = font.height - (glyph / 16) * cell;  // rows counted from the bottom
  CellInk ink;
  for (int y = top - cell; y < top; ++y) {
    for (int x = x0; x < x0 + cell; ++x) {
      const Colour c = font.Texel(x, y);
      if (c.r + c.g + c.b > 30) {
        ink.total += c.r;
        ink.minColumn = std::min(ink.minColumn, x - x0);
        ink.maxColumn = std::max(ink.maxColumn, x - x0);
      }
    }
  }
  return ink;
}

TEST_F(AssetgenTest, FontGlyphsSitInTheLeftTenSixteenthsOfTheirCells) {
  const Bmp& font = Load("font.bmp");
  const int cell = font.width / 16;
  const CellInk a = InkOfGlyph(font, 33);  // 'A', column 1, row 2 from the top
  ASSERT_GT(a.total, 255.0 * 10) << "glyph 'A' has no ink";
  EXPECT_LT(a.maxColumn, cell * 10 / 16);
  EXPECT_GE(a.minColumn, 0);
  for (int glyph = 1; glyph < 95; ++glyph) {  // every printable character of both sets
    for (int set = 0; set < 2; ++set) {
      const CellInk ink = InkOfGlyph(font, set * 128 + glyph);
      EXPECT_GT(ink.total, 0.0) << "glyph " << set * 128 + glyph << " is blank";
      EXPECT_LT(ink.maxColumn, cell * 10 / 16) << "glyph " << set * 128 + glyph;
      // The first sixteenth stays empty, or linear filtering would show it in the previous glyph.
      EXPECT_GE(ink.minColumn, cell / 16) << "glyph " << set * 128 + glyph;
    }
  }
  EXPECT_EQ(InkOfGlyph(font, 0).total, 0.0) << "the blank must be blank";
  EXPECT_EQ(InkOfGlyph(font, 100).total, 0.0) << "cells 96-127 are unused";
  EXPECT_GT(InkOfGlyph(font, 128 + 33).total, a.total * 1.15) << "set 1 is the bold face";
  // Distinct characters look different: 'O' (glyph 47) is not '0' (glyph 16).
  const CellInk o = InkOfGlyph(font, 47);
  const CellInk zero = InkOfGlyph(font, 16);
  EXPECT_NE(o.total, zero.total);
}

TEST_F(AssetgenTest, TwoRunsWriteIdenticalBytes) {
  const RunResult second = RunGenerator("--quiet --out '" + (dir_ / "b").string() + "'");
  ASSERT_EQ(second.exitCode, 0) << second.output;
  std::vector<std::string> files(std::begin(kTextures), std::end(kTextures));
  files.insert(files.end(), std::begin(full_layout::kFullTextureFiles), std::end(full_layout::kFullTextureFiles));
  files.push_back("font.bmp");
  files.push_back("plane2.ico");
  for (const std::string& f : files) {
    EXPECT_EQ(ReadAll(dir_ / "a" / f), ReadAll(dir_ / "b" / f)) << f;
  }
  EXPECT_TRUE(second.output.empty()) << "--quiet printed: " << second.output;
}

TEST_F(AssetgenTest, HorizonSplitsSkyFromGroundThroughTheAircraftSymbolAtZeroPitch) {
  EXPECT_TRUE(IsSky(AtScreen("pfd_2.txr", 150, 175))) << Describe(AtScreen("pfd_2.txr", 150, 175));
  EXPECT_TRUE(IsGround(AtScreen("pfd_2.txr", 150, 155)))
      << Describe(AtScreen("pfd_2.txr", 150, 155));
  // The horizon line: the brightest row near the symbol's height, far from the ladder's labels.
  const Placement& p = kPlacements.at("pfd_2.txr");
  const Bmp& horizon = Load("pfd_2.txr");
  double bestY = 0, best = -1;
  for (double y = 155; y <= 175; y += 0.1) {
    const Colour c = horizon.AtTexCoord(p.S(250), p.T(y));
    if (c.r + c.g + c.b > best) best = c.r + c.g + c.b, bestY = y;
  }
  EXPECT_TRUE(IsWhite(horizon.AtTexCoord(p.S(250), p.T(bestY))));
  EXPECT_NEAR(bestY, 165.0, 1.5);
  // The picture repeats vertically: its bottom row is ground and its top row sky, so the wrap
  // continues ground into sky as the picture above and below the horizon does.
  EXPECT_TRUE(IsGround(horizon.Texel(10, 0)));
  EXPECT_TRUE(IsSky(horizon.Texel(10, horizon.height - 1)));
}

TEST_F(AssetgenTest, PitchLadderRungsAreSpacedByTheScrollOfOneDegree) {
  // The picture scrolls 2 x 0.0058 texture heights (595.5 px) per degree: 3.454 px per degree.
  const Placement& p = kPlacements.at("pfd_2.txr");
  const double perDegree = 2 * 0.0058 * p.Scale();
  ASSERT_NEAR(perDegree, 3.454, 0.001);
  const Bmp& horizon = Load("pfd_2.txr");
  // A long rung reaches 25 px right of the centre line; the short ones do not.
  auto rungY = [&](double nominal) {
    double bestY = 0, best = -1;
    for (double y = nominal - 4; y <= nominal + 4; y += 0.1) {
      const Colour c = horizon.AtTexCoord(p.S(165 + 25), p.T(y));
      if (c.r + c.g + c.b > best) best = c.r + c.g + c.b, bestY = y;
    }
    EXPECT_TRUE(IsWhite(horizon.AtTexCoord(p.S(165 + 25), p.T(bestY)))) << nominal;
    return bestY;
  };
  for (int deg : {-30, -20, -10, 10, 20, 30}) {
    EXPECT_NEAR(rungY(165 + deg * perDegree), 165 + deg * perDegree, 1.0) << deg << " degrees";
  }
  // Between rungs (at 1.25 degrees) the sky shows at the same distance from the centre line.
  EXPECT_TRUE(IsSky(horizon.AtTexCoord(p.S(165 + 25), p.T(165 + 11.25 * perDegree))));
  EXPECT_TRUE(IsGround(horizon.AtTexCoord(p.S(165 + 25), p.T(165 - 11.25 * perDegree))));
}

TEST_F(AssetgenTest, StaticMaskShowsTheHorizonOnlyInsideTheAttitudeArea) {
  EXPECT_TRUE(IsWhite(AtScreen("static_mask.txr", 166, 215)));
  EXPECT_TRUE(IsWhite(AtScreen("window_mask.txr", 166, 215)));
  EXPECT_TRUE(IsWhite(AtScreen("static_mask.txr", 120, 100)));
  for (auto [x, y] : {std::pair{30.0, 30.0}, {40.0, 160.0}, {300.0, 160.0}, {166.0, 40.0},
                      {166.0, 290.0}, {90.0, 270.0}}) {
    EXPECT_TRUE(IsBlack(AtScreen("static_mask.txr", x, y))) << x << ", " << y;
    EXPECT_TRUE(IsBlack(AtScreen("window_mask.txr", x, y))) << x << ", " << y;
  }
  // Beyond the static quad only the window mask covers the horizon.
  EXPECT_TRUE(IsBlack(AtScreen("window_mask.txr", 5, 5)));
  EXPECT_TRUE(IsBlack(AtScreen("window_mask.txr", 320, 310)));
}

TEST_F(AssetgenTest, AircraftSymbolIsCutFromTheMaskAndDrawnWithABlackOutline) {
  // Centre square and wing bars: black in the mask, yellow in the image.
  for (auto [x, y] : {std::pair{165.0, 165.0}, {125.0, 165.0}, {205.0, 165.0}}) {
    EXPECT_TRUE(IsBlack(AtScreen("static_mask.txr", x, y))) << x;
    EXPECT_TRUE(IsYellow(AtScreen("static_ind.txr", x, y)))
        << x << " " << Describe(AtScreen("static_ind.txr", x, y));
  }
  // Just above a wing bar lies its outline: black in the mask and in the image, so neither the
  // horizon nor the image shows there.
  const Bmp& mask = Load("static_mask.txr");
  const Placement& p = kPlacements.at("static_mask.txr");
  double y = 165;
  while (!IsBlack(AtScreen("static_ind.txr", 125, y)) && y < 175) y += 0.1;
  ASSERT_LT(y, 175) << "no outline above the wing";
  EXPECT_TRUE(IsBlack(mask.AtTexCoord(p.S(125), p.T(y + 0.3))));
  EXPECT_TRUE(IsWhite(mask.AtTexCoord(p.S(125), p.T(y + 4))));
}

TEST_F(AssetgenTest, RollPointerTurnsAboutItsQuadCentreAndPointsAtTheZeroMark) {
  const Placement& needle = kPlacements.at("roll_needle.txr");
  const double cx = needle.CentreX(), cy = needle.CentreY();
  EXPECT_NEAR(cx, 162.9, 0.1);
  EXPECT_NEAR(cy, 171.0, 0.1);
  // Straight above the centre there is white pointer ink, and directly beyond it the zero mark of
  // the fixed scale: the same radius scan meets first the pointer, then the scale.
  double pointerTop = 0, markBottom = 0;
  for (double r = 80; r < 130; r += 0.25) {
    if (IsWhite(AtScreen("roll_needle.txr", cx, cy + r))) pointerTop = r;
    if (markBottom == 0 && r > pointerTop + 0.5 && pointerTop > 0 &&
        IsWhite(AtScreen("static_ind.txr", cx, cy + r))) {
      markBottom = r;
    }
  }
  ASSERT_GT(pointerTop, 0) << "no pointer above the roll centre";
  ASSERT_GT(markBottom, 0) << "no zero mark beyond the pointer";
  EXPECT_LT(markBottom - pointerTop, 5.0);
  // The pointer is the only ink of its texture beside the centre line; elsewhere black.
  EXPECT_TRUE(IsBlack(AtScreen("roll_needle.txr", cx + 40, cy + pointerTop)));
  EXPECT_TRUE(IsBlack(AtScreen("roll_needle.txr", cx, cy)));
  // The pointer sweeps over the black band above the attitude area (it has no mask of its own).
  for (int deg = -60; deg <= 60; deg += 5) {
    const double a = deg * M_PI / 180.0;
    const double r = pointerTop - 3;
    EXPECT_TRUE(IsBlack(AtScreen("static_mask.txr", cx + r * std::sin(a), cy + r * std::cos(a))))
        << deg;
  }
  // Scale marks at 10, 20, 30, 45 and 60 degrees both sides, none at 15.
  for (int deg : {-60, -45, -30, -20, -10, 10, 20, 30, 45, 60}) {
    const double a = deg * M_PI / 180.0;
    bool found = false;
    for (double r = markBottom + 1; r < markBottom + 6; r += 0.25) {
      found = found || IsWhite(AtScreen("static_ind.txr", cx + r * std::sin(a), cy + r * std::cos(a)));
    }
    EXPECT_TRUE(found) << "no roll mark at " << deg;
  }
  const double a15 = 15 * M_PI / 180.0;
  EXPECT_TRUE(IsBlack(AtScreen("static_ind.txr", cx + (markBottom + 4) * std::sin(a15),
                               cy + (markBottom + 4) * std::cos(a15))));
}

TEST_F(AssetgenTest, DeviationDotsMatchTheFullTravelOfTheIndices) {
  // Glide slope: index quad centre, and the full needle (127 x 0.0094488 units at depth 33).
  const Placement& gsIndex = kPlacements.at("ILS_ind.txr");
  const double gsX = gsIndex.CentreX(), gsY = gsIndex.CentreY();
  const double gsTravel = 127 * 0.0094488 * gsIndex.Scale();
  EXPECT_NEAR(gsTravel, 32.5, 0.1);
  EXPECT_TRUE(IsMagenta(AtScreen("ILS_ind.txr", gsX, gsY)));
  EXPECT_TRUE(IsMagenta(AtScreen("ILS_ind.txr", gsX, gsY - gsTravel, 0, -gsTravel)));
  EXPECT_TRUE(IsBlack(AtScreen("ILS_ind.txr", gsX + 12, gsY)));
  // Dots at half and full travel (the scale's quad ends 0.4 px below the upper outer dot's place,
  // so that one may sit a little lower), and the no-ILS plate in the same place.
  for (double k : {-1.0, -0.5, 0.5}) {
    EXPECT_TRUE(IsWhite(AtScreen("ILS.txr", gsX, gsY + k * gsTravel))) << k;
  }
  EXPECT_TRUE(IsBlack(AtScreen("ILS.txr", gsX, gsY + 0.25 * gsTravel)));
  bool upper = false;
  for (double d = 0; d <= 3.5; d += 0.25) {
    upper = upper || IsWhite(AtScreen("ILS.txr", gsX, gsY + gsTravel - d));
  }
  EXPECT_TRUE(upper) << "upper outer glide-slope dot";

  // Localizer: 127 x 0.0108661417 units at depth 39.
  const Placement& locIndex = kPlacements.at("ILSH_ind.txr");
  const double locX = locIndex.CentreX(), locY = locIndex.CentreY();
  const double locTravel = 127 * 0.0108661417 * locIndex.Scale();
  EXPECT_NEAR(locTravel, 31.6, 0.1);
  EXPECT_TRUE(IsMagenta(AtScreen("ILSH_ind.txr", locX + locTravel, locY, locTravel, 0)));
  for (double k : {-1.0, -0.5, 0.5, 1.0}) {
    EXPECT_TRUE(IsWhite(AtScreen("ILS_H.txr", locX + k * locTravel, locY))) << k;
  }
  EXPECT_TRUE(IsBlack(AtScreen("ILS_H.txr", locX + 0.25 * locTravel, locY)));
}

TEST_F(AssetgenTest, NoIlsPlateAndSpeedTapeStayInTheirVisibleRoom) {
  // The no-ILS plate prints in the visible part of the glide-slope position (x < 331).
  const Bmp& plate = Load("no_ILS.txr");
  const Placement& p = kPlacements.at("no_ILS.txr");
  int visibleInk = 0, hiddenInk = 0;
  for (double y = 120; y < 220; y += 0.5) {
    for (double x = 290; x < 400; x += 0.5) {
      if (!IsBlack(plate.AtTexCoord(p.S(x), p.T(y)))) (x < 329 ? visibleInk : hiddenInk)++;
    }
  }
  EXPECT_GT(visibleInk, 50);
  EXPECT_EQ(hiddenInk, 0);
  // The speed plate: a tape left of the attitude area, nothing over the attitude area itself.
  const Colour tape = AtScreen("SPD.txr", 35, 140);
  EXPECT_FALSE(IsBlack(tape)) << Describe(tape);
  EXPECT_TRUE(IsBlack(AtScreen("SPD.txr", 120, 140)));
}

TEST_F(AssetgenTest, FlightDirectorBarsCrossAtTheAircraftSymbolWithOutlinedMasks) {
  // Horizontal bar: through (165, 165) at zero command, moving with its quad.
  for (double dy : {0.0, 51.9, -51.9}) {
    EXPECT_TRUE(IsMagenta(AtScreen("fdH.txr", 195, 165 + dy, 0, dy))) << dy;
    EXPECT_TRUE(IsBlack(AtScreen("fdH_mask.txr", 195, 165 + dy, 0, dy))) << dy;
  }
  EXPECT_TRUE(IsWhite(AtScreen("fdH_mask.txr", 195, 175)));
  EXPECT_TRUE(IsBlack(AtScreen("fdH.txr", 195, 175)));
  // Vertical bar: through (165, 165).
  EXPECT_TRUE(IsMagenta(AtScreen("fdV.txr", 165, 135)));
  EXPECT_TRUE(IsBlack(AtScreen("fdV_mask.txr", 165, 135)));
  EXPECT_TRUE(IsWhite(AtScreen("fdV_mask.txr", 180, 135)));
  EXPECT_TRUE(IsMagenta(AtScreen("fdV.txr", 165 + 43.8, 195, 43.8, 0)));
  // The outline: just beside the magenta the mask is already black and the image too.
  double x = 165;
  while (IsMagenta(AtScreen("fdV.txr", x, 135)) && x < 175) x += 0.1;
  // The outline is 1.2 px wide: its middle is 0.6 px beyond the magenta.
  EXPECT_TRUE(IsBlack(AtScreen("fdV_mask.txr", x + 0.6, 135)));
  EXPECT_TRUE(IsBlack(AtScreen("fdV.txr", x + 0.6, 135)));
  EXPECT_TRUE(IsWhite(AtScreen("fdV_mask.txr", x + 3.0, 135)));
  // Mask edges are white, so the quad's own border cuts nothing.
  const Bmp& mask = Load("fdH_mask.txr");
  EXPECT_TRUE(IsWhite(mask.Texel(0, 0)));
  EXPECT_TRUE(IsWhite(mask.Texel(mask.width - 1, mask.height / 2)));
}

TEST(AssetgenCommandLine, HelpAndBadArgumentsAreAnsweredClearly) {
  const RunResult help = RunGenerator("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("Usage: orvane-assetgen"), std::string::npos);
  EXPECT_NE(help.output.find("--out DIR"), std::string::npos);

  const RunResult unknown = RunGenerator("--frobnicate");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("unknown option '--frobnicate'"), std::string::npos)
      << unknown.output;

  const RunResult badNumber = RunGenerator("--pitch ten --out /tmp");
  EXPECT_EQ(badNumber.exitCode, 2);
  EXPECT_NE(badNumber.output.find("invalid value 'ten' for --pitch"), std::string::npos);

  const RunResult noValue = RunGenerator("--out");
  EXPECT_EQ(noValue.exitCode, 2);
  EXPECT_NE(noValue.output.find("--out needs a value"), std::string::npos);
}

TEST(AssetgenCommandLine, GeometryAgreesWithTheScreenTableOfTheDesignNotes) {
  const RunResult r = RunGenerator("--geometry");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  // Centre x, centre y and size in pixels, as the design notes list them.
  const std::map<std::string, std::vector<double>> table = {
      {"pfd_2.txr", {168.4, 163.1, 595.5}},     {"static_mask.txr", {166.3, 157.9, 290.3}},
      {"window.txr", {165.8, 165.8, 331.8}},    {"roll_needle.txr", {162.9, 171.0, 290.3}},
      {"ILS.txr", {357.9, 133.6, 137.4}},       {"ILS_ind.txr", {321.7, 170.2, 35.2}},
      {"ILS_H.txr", {164.8, -14.1, 137.4}},     {"ILSH_ind.txr", {165.9, 40.9, 29.8}},
      {"SPD.txr", {85.1, 156.3, 137.4}},        {"fdH.txr", {164.8, 164.3, 103.9}},
      {"fdV_mask.txr", {164.8, 165.9, 103.9}},  {"no_ILS.txr", {357.9, 133.6, 137.4}}};
  for (const auto& [file, want] : table) {
    const std::size_t at = r.output.find(file + " ");
    ASSERT_NE(at, std::string::npos) << file;
    double x = 0, y = 0, size = 0;
    ASSERT_EQ(std::sscanf(r.output.c_str() + at + file.size(), "%lf %lf %lf", &x, &y, &size), 3);
    EXPECT_NEAR(x, want[0], 0.051) << file;
    EXPECT_NEAR(y, want[1], 0.051) << file;
    EXPECT_NEAR(size, want[2], 0.051) << file;
  }
  EXPECT_NE(r.output.find("3.454 px per degree"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("+-32.5 px"), std::string::npos);
  EXPECT_NE(r.output.find("+-31.6 px"), std::string::npos);
  EXPECT_NE(r.output.find("+-51.9 px vertically, +-43.8 px horizontally"), std::string::npos);
}

TEST(AssetgenCommandLine, MissingFontIsReportedAndNothingHalfWrittenIsLeft) {
  char tmpl[] = "/tmp/orvane-assetgen-nofont-XXXXXX";
  const char* made = mkdtemp(tmpl);
  ASSERT_NE(made, nullptr);
  const fs::path dir = made;
  const RunResult r =
      RunGenerator("--font-dir '" + (dir / "none").string() + "' --out '" + (dir / "out").string() + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("B612Mono-Regular"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("fonts-b612"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "out" / "pfd_2.txr"));
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST(AssetgenCommandLine, PreviewComposesThePanelAsAPng) {
  char tmpl[] = "/tmp/orvane-assetgen-preview-XXXXXX";
  const char* made = mkdtemp(tmpl);
  ASSERT_NE(made, nullptr);
  const fs::path dir = made;
  const RunResult r = RunGenerator("--quiet --out '" + dir.string() + "' --preview '" +
                                   (dir / "p.png").string() + "' --bank 30 --pitch -5 --scale 1");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::vector<std::uint8_t> png = ReadAll(dir / "p.png");
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  // IHDR: the 332 x 332 client canvas at scale 1 (big-endian width and height).
  const auto be32 = [&png](std::size_t at) {
    return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
  };
  EXPECT_EQ(be32(16), 332);
  EXPECT_EQ(be32(20), 332);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
