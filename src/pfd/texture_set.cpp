// Loads the sixteen panel textures and the font texture into GL once, at start-up.
#include "pfd/texture_set.h"

#include <cstdio>

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

// Uploads one decoded image into the bound 2-D texture as level 0, three components.
void UploadBound(const DecodedImage& image, const char* fileName) {
  // Decoded rows are packed (width x 3 bytes); GL's default row alignment of 4 would read past
  // the end of rows whose length is not a multiple of 4.
  GLint previousAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  while (glGetError() != GL_NO_ERROR) {
  }
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image.rgb.data());
  const GLenum error = glGetError();
  glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  if (error != GL_NO_ERROR) {
    char line[256];
    std::snprintf(line, sizeof line, "texture file \"%s\" (%d x %d) was refused by GL, error 0x%04X",
                  fileName, image.width, image.height, static_cast<unsigned>(error));
    platform::DebugLog(line);
  }
}

// Binds `name`, uploads the image when there is one, and sets the two linear filters.
void FillTexture(uint32_t name, const DecodedImage* image, const char* fileName) {
  glBindTexture(GL_TEXTURE_2D, name);
  if (image != nullptr) UploadBound(*image, fileName);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
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
