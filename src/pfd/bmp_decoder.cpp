// Decodes Windows BMP files into the bottom-row-first 8-bit RGB images the texture set uploads.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "pfd/texture_set.h"

#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_THREAD_LOCALS
#define STBI_MAX_DIMENSIONS 8192
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wtype-limits"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int32_t kMaxSide = 8192;
constexpr size_t kFileHeaderSize = 14;

// Little-endian reads that never leave the buffer (callers check the range first).
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The header fields the decoder looks at before handing the file to anyone.
struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: top-down rows
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

bool ReadHeader(const uint8_t* bytes, size_t size, BmpHeader& h) {
  if (size < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  h.pixelOffset = U32(bytes + 10);
  h.infoSize = U32(bytes + 14);
  const uint8_t* info = bytes + kFileHeaderSize;
  if (h.infoSize == 12) {  // OS/2 core header: 16-bit sizes, 3-byte palette entries
    h.width = U16(info + 4);
    h.height = U16(info + 6);
    h.bitsPerPixel = U16(info + 10);
    return true;
  }
  if (h.infoSize < 40 || h.infoSize > 124 || size < kFileHeaderSize + 40) return false;
  h.width = static_cast<int32_t>(U32(info + 4));
  h.height = static_cast<int32_t>(U32(info + 8));
  h.bitsPerPixel = U16(info + 14);
  h.compression = U32(info + 16);
  h.coloursUsed = U32(info + 32);
  return true;
}

// One-bit images (which the general decoder does not take): palette lookup, rows padded to 4 bytes.
bool DecodeOneBit(const uint8_t* bytes, size_t size, const BmpHeader& h, DecodedImage& out) {
  if (h.compression != 0) return false;
  const bool core = h.infoSize == 12;
  const size_t entrySize = core ? 3 : 4;
  const size_t paletteStart = kFileHeaderSize + h.infoSize;
  size_t entries = (h.coloursUsed == 0 || h.coloursUsed > 2) ? 2 : h.coloursUsed;
  if (paletteStart > size) return false;
  entries = std::min(entries, (size - paletteStart) / entrySize);
  if (entries == 0) return false;
  uint8_t palette[2][3] = {{0, 0, 0}, {0, 0, 0}};
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* e = bytes + paletteStart + i * entrySize;
    palette[i][0] = e[2];
    palette[i][1] = e[1];
    palette[i][2] = e[0];
  }
  const size_t width = static_cast<size_t>(h.width);
  const bool topDown = h.height < 0;
  const size_t rows = static_cast<size_t>(topDown ? -h.height : h.height);
  const size_t stride = ((width + 31) / 32) * 4;  // the caller checked that every row is there
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(rows);
  out.rgb.assign(width * rows * 3, 0);
  for (size_t r = 0; r < rows; ++r) {
    // The image keeps the bottom row first: a bottom-up file already stores it that way.
    const size_t fileRow = topDown ? rows - 1 - r : r;
    const uint8_t* src = bytes + h.pixelOffset + fileRow * stride;
    uint8_t* dst = out.rgb.data() + r * width * 3;
    for (size_t x = 0; x < width; ++x) {
      const int index = (src[x / 8] >> (7 - (x % 8))) & 1;
      std::memcpy(dst + x * 3, palette[index], 3);
    }
  }
  return true;
}

}  // namespace

bool DecodeBitmap(const uint8_t* bytes, size_t size, DecodedImage& image) {
  if (bytes == nullptr || size > static_cast<size_t>(INT_MAX)) return false;
  BmpHeader h;
  if (!ReadHeader(bytes, size, h)) return false;
  if (h.width <= 0 || h.width > kMaxSide || h.height == 0 || h.height > kMaxSide ||
      h.height < -kMaxSide) {
    return false;
  }
  // Uncompressed pixels only (optionally with colour masks), in the depths a paint program writes,
  // and every row must be in the file: a truncated file is refused, not padded with black.
  const uint16_t bpp = h.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (h.compression != 0 && !(h.compression == 3 && (bpp == 16 || bpp == 32))) return false;
  if (h.pixelOffset < kFileHeaderSize + h.infoSize || h.pixelOffset > size) return false;
  const uint64_t stride = ((static_cast<uint64_t>(h.width) * bpp + 31) / 32) * 4;
  const uint64_t rows = static_cast<uint64_t>(h.height < 0 ? -h.height : h.height);
  if ((size - h.pixelOffset) / stride < rows) return false;

  if (bpp == 1) {
    DecodedImage decoded;
    if (!DecodeOneBit(bytes, size, h, decoded)) return false;
    image = std::move(decoded);
    return true;
  }
  const int length = static_cast<int>(size);
  // The sizes were checked above, before the decoder allocates anything.
  int w = 0, ht = 0, channels = 0;
  uint8_t* pixels = stbi_load_from_memory(bytes, length, &w, &ht, &channels, 3);
  if (pixels == nullptr) return false;
  if (w != h.width || ht != static_cast<int>(rows)) {
    stbi_image_free(pixels);
    return false;
  }
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  DecodedImage decoded;
  decoded.width = w;
  decoded.height = ht;
  decoded.rgb.resize(rowBytes * static_cast<size_t>(ht));
  // The decoder delivers the top row first; the image keeps the bottom row first.
  for (int r = 0; r < ht; ++r) {
    std::memcpy(decoded.rgb.data() + static_cast<size_t>(r) * rowBytes,
                pixels + static_cast<size_t>(ht - 1 - r) * rowBytes, rowBytes);
  }
  stbi_image_free(pixels);
  image = std::move(decoded);
  return true;
}
