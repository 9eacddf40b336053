// The panel's resources: the sixteen panel textures, the font texture and its glyph lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TextureSlot : int {
  SlotHorizon = 0,      // "pfd_2.txr"
  SlotStaticMask = 1,   // "static_mask.txr"
  SlotStaticInd = 2,    // "static_ind.txr"
  SlotWindowMask = 3,   // "window_mask.txr"
  SlotWindow = 4,       // "window.txr"
  SlotIls = 5,          // "ILS.txr"
  SlotIlsInd = 6,       // "ILS_ind.txr"
  SlotIlsH = 7,         // "ILS_H.txr"
  SlotSpd = 8,          // "SPD.txr"
  SlotIlsHInd = 9,      // "ILSH_ind.txr"
  SlotFdHMask = 10,     // "fdH_mask.txr"
  SlotFdH = 11,         // "fdH.txr"
  SlotFdVMask = 12,     // "fdV_mask.txr"
  SlotFdV = 13,         // "fdV.txr"
  SlotNoIls = 14,       // "no_ILS.txr"
  SlotRollNeedle = 15,  // "roll_needle.txr"
  SlotCount = 16,
};

// File name of each slot, in slot order.
extern const char* const TextureFileNames[SlotCount];
constexpr const char* FontFileName = "font.bmp";

// The GL names the drawing uses, created once at start-up by LoadTextureSet and BuildFont. All 0
// until then; a slot whose file was missing has a name without a picture.
struct PanelResources {
  uint32_t TextureNames[SlotCount] = {};
  uint32_t FontTexture = 0;
  uint32_t FontListBase = 0;
};

// A decoded bitmap: RGB, 8 bits per channel, the first row is the picture's bottom row.
struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// Decodes a BMP file; false (image untouched) when the name is empty, the file is missing or it
// cannot be decoded.
bool LoadTextureBitmap(const std::string& fileName, DecodedImage& image);
// Decodes BMP bytes already in memory (the same rules).
bool DecodeBitmap(const uint8_t* bytes, size_t size, DecodedImage& image);

// Uploads the texture set from the current directory into `resources` (needs a current GL
// context). True when "pfd_2.txr" was there; without it no texture is created.
bool LoadTextureSet(PanelResources& resources);
// Uploads one picture (none: a texture without a picture) into the texture `name` as the set's
// textures are: with its mipmap chain and the panel's filters. Needs a current GL context.
void UploadPanelTexture(uint32_t name, const DecodedImage* image, const char* fileName);
