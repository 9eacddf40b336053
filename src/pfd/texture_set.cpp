// Loads the sixteen panel textures and the font texture into GL once, at start-up.
#include "pfd/texture_set.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gl.h"
#include "platform/system.h"

const char* const TextureFileNames[SlotCount] = {
    "pfd_2.txr",   "static_mask.txr", "static_ind.txr", "window_mask.txr",
    "window.txr",  "ILS.txr",         "ILS_ind.txr",    "ILS_H.txr",
    "SPD.txr",     "ILSH_ind.txr",    "fdH_mask.txr",   "fdH.txr",
    "fdV_mask.txr", "fdV.txr",        "no_ILS.txr",     "roll_needle.txr",
};

static_assert(sizeof(GLuint) == sizeof(uint32_t), "texture names are 32-bit");

namespace {

// A texture bitmap larger than this is not a texture bitmap.
constexpr size_t kMaxBitmapFileBytes = 64u * 1024u * 1024u;

// One line about a file that could not be used, telling apart "missing" from "not a usable BMP".
void ReportUnusable(const char* fileName, const char* consequence) {
  const bool exists = platform::FileExists(fileName);
  platform::DebugLog(std::string("texture file \"") + fileName + "\" " +
                     (exists ? "is not a decodable BMP" : "is missing") + ": " + consequence);
}

// GL 1.2's level-of-detail limit: the opengl32 headers of Windows stop at 1.1.
#ifndef GL_TEXTURE_MAX_LOD
#define GL_TEXTURE_MAX_LOD 0x813B
#endif

// The pictures are drawn for panels up to 3 x, with 3 to 5 texels per pixel of the 1 x panel.
// GL picks the level so that no texel is skipped, which at 1 x means mostly the level with under
// one texel per pixel, a blur of the picture. Sampling stops at the level of half the resolution
// (1.5 to 2.5 texels per pixel at 1 x, as sharp as pictures drawn for 1 x).
constexpr GLfloat kCoarsestPanelLevel = 1.0f;
// A font cell is 12.5 x 16 pixels at 1 x, and GL picks the level by the narrower width: it would
// blend in the level of 8-texel cells, which blurs the glyphs' rows. The font is sampled no
// coarser than the level of 16-texel cells.
constexpr int kFontCellAtOneToOne = 16;

// The next mipmap level: half the width and height (at least 1), each texel the average of the
// 2 x 2 texels it covers (the last row or column stands in for a missing neighbour).
DecodedImage HalveImage(const DecodedImage& image) {
  DecodedImage half;
  half.width = image.width > 1 ? image.width / 2 : 1;
  half.height = image.height > 1 ? image.height / 2 : 1;
  half.rgb.resize(static_cast<size_t>(half.width) * static_cast<size_t>(half.height) * 3);
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < half.height; ++y) {
    const int y0 = std::min(2 * y, image.height - 1), y1 = std::min(2 * y + 1, image.height - 1);
    for (int x = 0; x < half.width; ++x) {
      const int x0 = std::min(2 * x, image.width - 1), x1 = std::min(2 * x + 1, image.width - 1);
      const uint8_t* a = &image.rgb[y0 * rowBytes + x0 * 3];
      const uint8_t* b = &image.rgb[y0 * rowBytes + x1 * 3];
      const uint8_t* c = &image.rgb[y1 * rowBytes + x0 * 3];
      const uint8_t* d = &image.rgb[y1 * rowBytes + x1 * 3];
      uint8_t* out = &half.rgb[(static_cast<size_t>(y) * half.width + x) * 3];
      for (int k = 0; k < 3; ++k) {
        out[k] = static_cast<uint8_t>((unsigned{a[k]} + b[k] + c[k] + d[k] + 2) / 4);
      }
    }
  }
  return half;
}

// Uploads one level of the bound 2-D texture, three components; false with a line in the log
// when GL refuses it.
bool UploadLevel(GLint level, const DecodedImage& image, const char* fileName) {
  while (glGetError() != GL_NO_ERROR) {
  }
  glTexImage2D(GL_TEXTURE_2D, level, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image.rgb.data());
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return true;
  char line[256];
  std::snprintf(line, sizeof line,
                "texture file \"%s\" (%d x %d, level %d) was refused by GL, error 0x%04X", fileName,
                image.width, image.height, static_cast<int>(level), static_cast<unsigned>(error));
  platform::DebugLog(line);
  return false;
}

// Uploads a decoded image into the bound 2-D texture with its whole mipmap chain, so that the
// pictures, drawn finer than the screen for large panels, are filtered rather than aliased when
// the panel is small. A picture larger than GL takes starts at its first level that fits. True
// when every level from 1 x 1 up is there (mipmapped filtering can be used).
bool UploadBound(const DecodedImage& image, const char* fileName) {
  const size_t texels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.width <= 0 || image.height <= 0 || image.rgb.size() != texels * 3) {
    platform::DebugLog(std::string("texture file \"") + fileName +
                       "\" decoded to no usable picture");
    return false;
  }
  // Decoded rows are packed (width x 3 bytes); GL's default row alignment of 4 would read past
  // the end of rows whose length is not a multiple of 4.
  GLint previousAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const DecodedImage* level = &image;
  DecodedImage smaller;
  while (maxSize > 0 && (level->width > maxSize || level->height > maxSize)) {
    smaller = HalveImage(*level);
    level = &smaller;
  }
  if (level != &image) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "texture file \"%s\" (%d x %d) is drawn from %d x %d: GL takes %d at most",
                  fileName, image.width, image.height, level->width, level->height,
                  static_cast<int>(maxSize));
    platform::DebugLog(line);
  }
  bool complete = UploadLevel(0, *level, fileName);
  for (GLint n = 1; complete && (level->width > 1 || level->height > 1); ++n) {
    smaller = HalveImage(*level);
    level = &smaller;
    complete = UploadLevel(n, *level, fileName);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  return complete;
}

// Binds `name`, uploads the image when there is one, and sets the filters: linear between the
// two nearest mipmap levels when the chain is complete, plain linear otherwise.
void FillTexture(uint32_t name, const DecodedImage* image, const char* fileName) {
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Set before the upload: a driver that sees a mipmapped filter at level 0 can allocate the
  // whole chain at once instead of growing and copying it level by level.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  const bool mipmapped = image != nullptr && UploadBound(*image, fileName);
  if (!mipmapped) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  } else {
    GLfloat coarsest = kCoarsestPanelLevel;
    if (std::strcmp(fileName, FontFileName) == 0) {
      coarsest = 0.0f;
      while ((image->height >> (static_cast<int>(coarsest) + 1)) >= 16 * kFontCellAtOneToOne) {
        coarsest += 1.0f;
      }
    }
    // GL 1.2; an OpenGL 1.1 implementation refuses it and blends in the coarser levels.
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, coarsest);
    while (glGetError() != GL_NO_ERROR) {
    }
  }
}

}  // namespace

bool LoadTextureBitmap(const std::string& fileName, DecodedImage& image) {
  if (fileName.empty()) return false;
  if (!platform::FileExists(fileName)) return false;
  std::string bytes;
  if (!platform::ReadWholeFile(fileName, bytes, kMaxBitmapFileBytes)) return false;
  return DecodeBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

bool LoadTextureSet(PanelResources& resources) {
  DecodedImage images[SlotCount];
  bool present[SlotCount] = {};
  for (int slot = 0; slot < SlotCount; ++slot) {
    present[slot] = LoadTextureBitmap(TextureFileNames[slot], images[slot]);
  }
  DecodedImage fontImage;
  const bool fontPresent = LoadTextureBitmap(FontFileName, fontImage);

  bool ready = false;
  if (present[SlotHorizon]) {
    glGenTextures(SlotCount, reinterpret_cast<GLuint*>(resources.TextureNames));
    for (int slot = 0; slot < SlotCount; ++slot) {
      if (!present[slot]) ReportUnusable(TextureFileNames[slot], "drawn untextured");
      FillTexture(resources.TextureNames[slot], present[slot] ? &images[slot] : nullptr,
                  TextureFileNames[slot]);
      images[slot] = DecodedImage{};
    }
    glGenTextures(1, reinterpret_cast<GLuint*>(&resources.FontTexture));
    if (!fontPresent) ReportUnusable(FontFileName, "text is drawn untextured");
    FillTexture(resources.FontTexture, fontPresent ? &fontImage : nullptr, FontFileName);
    ready = true;
  } else {
    ReportUnusable(TextureFileNames[SlotHorizon], "no texture is created");
  }
  return ready;
}

void UploadPanelTexture(uint32_t name, const DecodedImage* image, const char* fileName) {
  FillTexture(name, image, fileName);
}
