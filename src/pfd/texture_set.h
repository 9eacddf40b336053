// The panel's resources: the sixteen panel textures, the font texture and its glyph lists.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "render/backend.h"

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

// The texture names the drawing uses, created once at start-up by LoadTextureSet. All 0 until
// then; a slot whose file was missing has a name without a picture.
struct PanelResources {
  uint32_t TextureNames[SlotCount] = {};
  uint32_t FontTexture = 0;
  // At an image's slot, the texture holding that image with its mask as alpha, for a backend that
  // draws masked pictures in one pass (0: none, the two are drawn one after the other).
  uint32_t Combined[SlotCount] = {};
  // The level of each file's picture (slots in order, then the font) that is GL's level 0:
  // 0 for the picture's full size, 1 for half of it, ...
  uint8_t FinestLevel[SlotCount + 1] = {};
  // The largest panel scale the levels in GL serve.
  double DetailScale = 0.0;
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

// How many of a BMP file's first bytes hold every header and colour table the decoder reads.
constexpr size_t kBitmapHeadBytes = 2048;

// A BMP file decoded one row at a time, so that a large file can be read in pieces: the header
// and colour table come from the file's first bytes, each row from wherever the caller read it.
class BitmapRows {
 public:
  // Reads the header from `head`, the first `headSize` bytes of a file of `fileSize` bytes (at
  // least kBitmapHeadBytes of them, or the whole file). False when DecodeBitmap would refuse the
  // file, a truncated one included.
  bool Parse(const uint8_t* head, size_t headSize, uint64_t fileSize);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Where the pixel rows begin in the file, and the bytes of one row there (padding included).
  uint64_t PixelOffset() const { return pixelOffset_; }
  size_t Stride() const { return stride_; }
  // The file's row that holds picture row `r` (0 = the bottom row).
  int32_t FileRow(int32_t r) const { return topDown_ ? height_ - 1 - r : r; }
  // Decodes one row of the file (Stride() bytes at `src`) into Width() RGB pixels at `dst`.
  void DecodeRow(const uint8_t* src, uint8_t* dst) const;
  // True when the file's rows are plain blue, green, red bytes (24 bits per pixel), usable as
  // they stand where blue-first rows are taken.
  bool BlueFirstRows() const { return bits_ == 24; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool topDown_ = false;
  uint16_t bits_ = 0;
  uint64_t pixelOffset_ = 0;
  size_t stride_ = 0;
  std::vector<std::array<uint8_t, 3>> palette_;  // 2^bits entries (palette images)
  int shift_[3] = {};
  int channelBits_[3] = {};
};

// Uploads the texture set from the current directory into `resources` through `device` (needs a
// current GL context), with the detail a panel drawn at `panelScale` times today's size samples
// (the pictures are drawn exactly as from their full mipmap chains), and with `combined` each
// mask and its image in one texture as well. True when "pfd_2.txr" was there; without it no
// texture is created.
bool LoadTextureSet(PanelResources& resources, double panelScale,
                    render::TextureDevice& device = render::GlTextureDevice(), bool combined = false);
// Loads the finer levels a panel at `panelScale` samples where the set was loaded for a smaller
// panel (the window moved to a monitor of a larger scale, say); nothing when it has them.
void RaiseTextureDetail(PanelResources& resources, double panelScale,
                        render::TextureDevice& device = render::GlTextureDevice());
// Fills the texture `name` with the picture of file `fileName`, read in pieces, from its full size
// down to half of it (what the panel's filters sample); false when the file is missing or not a
// usable BMP (the texture then has no picture). Needs a current GL context.
bool LoadPanelPicture(uint32_t name, const char* fileName, render::TextureDevice& device = render::GlTextureDevice());
// A new texture holding image file `imageFile` with 255 minus mask file `maskFile` as its alpha
// (the image is added where the mask keeps what is below), with the detail of slot `slot` at
// `panelScale` (or, for -1, from the full size down to half of it); 0 when either file is missing
// or unusable or their sizes differ.
uint32_t LoadMaskedPicture(const char* maskFile, const char* imageFile, render::TextureDevice& device, int slot = -1,
                           double panelScale = 1.0);
