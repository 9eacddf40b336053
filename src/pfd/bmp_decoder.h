// The BMP decoder: Windows BMP files to the bottom-row-first 8-bit RGB images the texture set
// uploads, whole (DecodeBitmap) or row by row as the file is read (BitmapRows). No GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded bitmap: RGB, 8 bits per channel, the first row is the picture's bottom row.
struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// A texture bitmap larger than this is not a texture bitmap.
constexpr size_t kMaxBitmapFileBytes = 64u * 1024u * 1024u;

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
