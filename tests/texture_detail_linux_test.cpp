// The texture set loaded with the detail the panel's size samples: the same pixels as from every
// picture's whole mipmap chain at 1, 1.5, 2 and 3 x, finer levels loaded when the panel grows, and
// each level the 2 x 2 average of the one before.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pfd/font.h"
#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/full_layout.h"
#include "pfd/bmp_decoder.h"
#include "pfd/texture_set.h"
#include "platform/gl.h"
#include "render/backend.h"
#include "platform/window.h"
#include "shell/display.h"
#include "support/bmp_file.h"

namespace {

namespace fs = std::filesystem;

#ifndef GL_TEXTURE_MAX_LOD
#define GL_TEXTURE_MAX_LOD 0x813B
#endif
#ifndef GL_TEXTURE_MAX_LEVEL
#define GL_TEXTURE_MAX_LEVEL 0x813D
#endif

// The next level by the rule of the display's mipmaps: each texel the rounded average of the 2 x 2
// it covers; an odd side leaves out its last row or column, a side of 1 stands in for both.
DecodedImage HalfOf(const DecodedImage& image) {
  DecodedImage half;
  half.width = std::max(image.width / 2, 1);
  half.height = std::max(image.height / 2, 1);
  half.rgb.resize(static_cast<size_t>(half.width) * half.height * 3);
  auto at = [&](int x, int y, int k) {
    return unsigned{image.rgb[(static_cast<size_t>(std::min(y, image.height - 1)) * image.width +
                               std::min(x, image.width - 1)) * 3 + k]};
  };
  for (int y = 0; y < half.height; ++y)
    for (int x = 0; x < half.width; ++x)
      for (int k = 0; k < 3; ++k)
        half.rgb[(static_cast<size_t>(y) * half.width + x) * 3 + k] = static_cast<uint8_t>(
            (at(2 * x, 2 * y, k) + at(2 * x + 1, 2 * y, k) + at(2 * x, 2 * y + 1, k) + at(2 * x + 1, 2 * y + 1, k) + 2) / 4);
  return half;
}

// A picture's whole chain down to 1 x 1 in a new texture, sampled no coarser than `maxLod`: the
// texture a panel of any size could be drawn from.
uint32_t WholeChain(const std::string& file, int maxLod) {
  DecodedImage level;
  if (!LoadTextureBitmap(file, level)) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int n = 0;; ++n) {
    glTexImage2D(GL_TEXTURE_2D, n, 3, level.width, level.height, 0, GL_RGB, GL_UNSIGNED_BYTE, level.rgb.data());
    if (level.width == 1 && level.height == 1) break;
    level = HalfOf(level);
  }
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, static_cast<GLfloat>(maxLod));
  return name;
}

// Level `level` of the bound texture as RGB (a one-channel texture's grey in all three).
DecodedImage LevelOf(uint32_t name, int level) {
  glBindTexture(GL_TEXTURE_2D, name);
  DecodedImage image;
  GLint grey = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &image.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &image.height);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_LUMINANCE_SIZE, &grey);
  const size_t texels = static_cast<size_t>(image.width) * image.height;
  image.rgb.resize(texels * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (grey == 0) {
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
  } else {
    std::vector<uint8_t> l(texels);
    glGetTexImage(GL_TEXTURE_2D, level, GL_LUMINANCE, GL_UNSIGNED_BYTE, l.data());
    for (size_t i = 0; i < texels; ++i) image.rgb[3 * i] = image.rgb[3 * i + 1] = image.rgb[3 * i + 2] = l[i];
  }
  return image;
}

GLint IntParameter(uint32_t name, GLenum parameter) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
  return value;
}

// The display's surface at `scale` with the run folder's artwork, current directory included.
class ArtworkSurface {
 public:
  explicit ArtworkSurface(double scale)
      : width_(static_cast<int>(std::lround(500 * scale))), height_(static_cast<int>(std::lround(740 * scale))) {}
  ~ArtworkSurface() {
    if (open_) gl_.Close();
    if (!previous_.empty()) fs::current_path(previous_);
  }
  ::testing::AssertionResult Open() {
    if (!fs::exists(std::string(ORVANE_RUN_DIR) + "/pfd_2.txr")) {
      return ::testing::AssertionFailure() << "no generated artwork in " << ORVANE_RUN_DIR;
    }
    std::string error;
    if (!gl_.Open(width_, height_, error)) return ::testing::AssertionFailure() << error;
    open_ = true;
    previous_ = fs::current_path().string();
    fs::current_path(ORVANE_RUN_DIR);
    ResizeGlScene(width_, height_);
    SetInitialGlState();
    return ::testing::AssertionSuccess();
  }
  // The pixels of two frames: banked 45 degrees with the ILS scales, both bars and texts; level
  // with the no-ILS plate.
  std::vector<uint8_t> Draw(const PanelResources& resources) {
    FrameDescription banked;
    banked.pitchOffset = -0.03;
    banked.bank = 45.0;
    banked.ilsState = 4;
    banked.glideSlopeOffset = 0.4;
    banked.localizerOffset = -0.5;
    banked.bars = {{BarKind::Horizontal, 0.3}, {BarKind::Vertical, -0.2}};
    banked.texts = {{"AP ENG", TextColour::Green, 300, 50, 0, false}, {"M", TextColour::Amber, 385, 94, 0, false}};
    FrameDescription level;
    level.ilsState = 1;
    level.texts = {{"ALT", TextColour::White, 300, 280, 0, false}};
    std::vector<uint8_t> pixels;
    const std::unique_ptr<render::Backend> backend = render::MakeBackend(render::BackendKind::GL1);
    for (const FrameDescription& frame : {banked, level}) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      render::DrawList list;
      list.surfaceWidth = width_;
      list.surfaceHeight = height_;
      list.state.view = SurfaceView(0, 0, width_, height_);
      DrawFrameDescription(list, resources, frame);
      backend->Execute(list);
      glFinish();
      std::vector<uint8_t> one(static_cast<size_t>(width_) * height_ * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, one.data());
      pixels.insert(pixels.end(), one.begin(), one.end());
    }
    return pixels;
  }

 private:
  int width_, height_;
  bool open_ = false;
  platform::OffscreenGl gl_;
  std::string previous_;
};

// The same set with every picture's whole chain instead (the font list of `loaded` kept).
PanelResources WholeChains(const PanelResources& loaded) {
  PanelResources whole = loaded;
  for (int slot = 0; slot < SlotCount; ++slot) whole.TextureNames[slot] = WholeChain(TextureFileNames[slot], 1);
  DecodedImage font;
  LoadTextureBitmap(FontFileName, font);
  int fontLod = 0;  // the level of 16-texel glyph cells
  while ((font.height >> (fontLod + 1)) >= 256) ++fontLod;
  whole.FontTexture = WholeChain(FontFileName, fontLod);
  return whole;
}

size_t Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

class TextureDetail : public ::testing::TestWithParam<double> {};

// Each scale's set draws every pixel as the whole chains do; at 1 x the 2048-texel horizon is held
// at 1024, at the larger scales at its full 2048.
TEST_P(TextureDetail, DrawsThePixelsOfTheWholeChains) {
  const double scale = GetParam();
  ArtworkSurface surface(scale);
  ASSERT_TRUE(surface.Open());
  PanelResources loaded;
  ASSERT_TRUE(LoadTextureSet(loaded, scale));
  const std::vector<uint8_t> fromLoaded = surface.Draw(loaded);
  const std::vector<uint8_t> fromWhole = surface.Draw(WholeChains(loaded));
  EXPECT_EQ(Differing(fromLoaded, fromWhole), 0u) << "bytes differ at " << scale << " x";
  EXPECT_EQ(LevelOf(loaded.TextureNames[SlotHorizon], 0).width, scale == 1.0 ? 1024 : 2048);
}

INSTANTIATE_TEST_SUITE_P(Scales, TextureDetail, ::testing::Values(1.0, 1.5, 2.0, 3.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return std::to_string(static_cast<int>(info.param * 10)) + "_tenths";
                         });

// The full layout's pictures, read in pieces: the full size and its half as in the whole chain,
// sampled no coarser than the half, so they draw what the whole chain draws.
TEST(FullLayoutTextures, HoldWhatTheWholeChainsSample) {
  ArtworkSurface surface(1.0);
  ASSERT_TRUE(surface.Open());
  FullLayoutTextures loaded;
  ASSERT_TRUE(LoadFullLayoutTextures(loaded));
  for (int slot = 0; slot < full_layout::FullSlotCount; ++slot) {
    const char* file = full_layout::kFullTextureFiles[slot];
    const uint32_t whole = WholeChain(file, 1);
    for (int level = 0; level <= 1; ++level)
      EXPECT_EQ(Differing(LevelOf(loaded.names[slot], level).rgb, LevelOf(whole, level).rgb), 0u) << file << " level " << level;
    GLfloat maxLod = 0;
    glBindTexture(GL_TEXTURE_2D, loaded.names[slot]);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, &maxLod);
    EXPECT_EQ(maxLod, 1.0f) << file;
  }
}

// A set loaded for 1 x and drawn at 3 x (a move to a monitor of three times the scale) is blurred
// until its finer levels are loaded; a smaller panel afterwards changes nothing.
TEST(TextureDetailRaise, FinerLevelsAreLoadedWhenThePanelGrows) {
  ArtworkSurface surface(3.0);
  ASSERT_TRUE(surface.Open());
  PanelResources loaded;
  ASSERT_TRUE(LoadTextureSet(loaded, 1.0));
  const std::vector<uint8_t> fromWhole = surface.Draw(WholeChains(loaded));
  EXPECT_NE(Differing(surface.Draw(loaded), fromWhole), 0u);
  RaiseTextureDetail(loaded, 3.0);
  EXPECT_EQ(Differing(surface.Draw(loaded), fromWhole), 0u);
  const PanelResources raised = loaded;
  RaiseTextureDetail(loaded, 2.0);
  for (int slot = 0; slot < SlotCount; ++slot) EXPECT_EQ(loaded.TextureNames[slot], raised.TextureNames[slot]);
  EXPECT_EQ(loaded.FontTexture, raised.FontTexture);
}

// Small pictures of the texture set in a folder of their own.
class TextureLevels : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("orvane_texture_levels_" + std::to_string(getpid()));
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
    std::string error;
    ASSERT_TRUE(gl_.Open(64, 64, error)) << error;
    open_ = true;
  }
  void TearDown() override {
    if (open_) gl_.Close();
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }
  template <typename ColourAt>
  static DecodedImage Picture(int width, int height, ColourAt colourAt) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::array<uint8_t, 3> c = colourAt(x, y);
        image.rgb.insert(image.rgb.end(), c.begin(), c.end());
      }
    return image;
  }
  static void Write(const char* name, const DecodedImage& image, bool topDown = false) {
    std::vector<uint8_t> bytes = orvane_test::EncodeBmp24(image);
    if (topDown) {  // the same picture with its rows stored top row first
      const size_t stride = (bytes.size() - 54) / static_cast<size_t>(image.height);
      std::vector<uint8_t> flipped(bytes.begin(), bytes.begin() + 54);
      for (int row = image.height - 1; row >= 0; --row)
        flipped.insert(flipped.end(), bytes.begin() + 54 + row * stride, bytes.begin() + 54 + (row + 1) * stride);
      const uint32_t negative = static_cast<uint32_t>(-image.height);
      for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<uint8_t>(negative >> (8 * i));
      bytes = flipped;
    }
    ASSERT_TRUE(orvane_test::WriteBytes(name, bytes));
  }
  fs::path folder_, previous_;
  bool open_ = false;
  platform::OffscreenGl gl_;
};

using Rgb3 = std::array<uint8_t, 3>;

// Stripes of red and blue average to purple; the odd last column (green) and top row (white) are
// left out of the half-size level; a one-texel-wide column halves by its rows; a top-down file
// keeps its bottom row at the bottom; a grey picture is held with one channel.
TEST_F(TextureLevels, EachLevelIsTheTwoByTwoAverageOfTheOneBefore) {
  Write("pfd_2.txr", Picture(2, 2, [](int, int) { return Rgb3{0, 0, 255}; }));
  // The localizer index, drawn 30 pixels wide at 1 x: 127 texels are 4 per pixel.
  const DecodedImage stripes = Picture(129, 127, [](int x, int y) {
    if (y == 126) return Rgb3{255, 255, 255};
    if (x == 128) return Rgb3{0, 255, 0};
    return x % 2 == 0 ? Rgb3{255, 0, 0} : Rgb3{0, 0, 255};
  });
  Write("ILSH_ind.txr", stripes);
  // The glide-slope index (36 pixels at 1 x): red below, blue above, stored top row first.
  const DecodedImage halves = Picture(150, 150, [](int, int y) { return y < 75 ? Rgb3{255, 0, 0} : Rgb3{0, 0, 255}; });
  Write("ILS_ind.txr", halves, true);
  const DecodedImage column = Picture(1, 4, [](int, int y) { return y == 0 ? Rgb3{0, 0, 0} : y == 1 ? Rgb3{255, 255, 255} : Rgb3{255, 0, 0}; });
  Write("SPD.txr", column);
  const DecodedImage checks = Picture(512, 512, [](int x, int y) {
    const uint8_t v = (x + y) % 2 ? 255 : 0;
    return Rgb3{v, v, v};
  });
  Write(FontFileName, checks);

  PanelResources oneX;
  ASSERT_TRUE(LoadTextureSet(oneX, 1.0));
  const DecodedImage purple = Picture(64, 63, [](int, int) { return Rgb3{128, 0, 128}; });
  EXPECT_EQ(LevelOf(oneX.TextureNames[SlotIlsHInd], 0).rgb, purple.rgb);
  EXPECT_EQ(IntParameter(oneX.TextureNames[SlotIlsHInd], GL_TEXTURE_MIN_FILTER), GL_LINEAR);  // one level
  const DecodedImage halvesAtOneX = LevelOf(oneX.TextureNames[SlotIlsInd], 0);
  EXPECT_EQ(halvesAtOneX.rgb, HalfOf(halves).rgb);
  EXPECT_EQ(Rgb3({halvesAtOneX.rgb[0], halvesAtOneX.rgb[1], halvesAtOneX.rgb[2]}), Rgb3({255, 0, 0}));  // bottom left
  const size_t topLeft = static_cast<size_t>(74 * 75) * 3;
  EXPECT_EQ(Rgb3({halvesAtOneX.rgb[topLeft], halvesAtOneX.rgb[topLeft + 1], halvesAtOneX.rgb[topLeft + 2]}),
            Rgb3({0, 0, 255}));
  EXPECT_EQ(LevelOf(oneX.FontTexture, 0).rgb, Picture(256, 256, [](int, int) { return Rgb3{128, 128, 128}; }).rgb);
  GLint greyBits = 0;
  glBindTexture(GL_TEXTURE_2D, oneX.FontTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &greyBits);
  EXPECT_EQ(greyBits, 8);

  PanelResources threeX;
  ASSERT_TRUE(LoadTextureSet(threeX, 3.0));
  EXPECT_EQ(LevelOf(threeX.TextureNames[SlotIlsHInd], 0).rgb, stripes.rgb);
  EXPECT_EQ(LevelOf(threeX.TextureNames[SlotIlsHInd], 1).rgb, purple.rgb);
  EXPECT_EQ(IntParameter(threeX.TextureNames[SlotIlsHInd], GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(IntParameter(threeX.TextureNames[SlotIlsHInd], GL_TEXTURE_MAX_LEVEL), 1);
  EXPECT_EQ(LevelOf(threeX.TextureNames[SlotSpd], 1).rgb, (std::vector<uint8_t>{128, 128, 128, 255, 0, 0}));
  EXPECT_EQ(LevelOf(threeX.FontTexture, 1).rgb, LevelOf(oneX.FontTexture, 0).rgb);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
