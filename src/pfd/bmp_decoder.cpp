// Decodes Windows BMP files into the bottom-row-first 8-bit RGB images the texture set uploads.
//
// Scope: uncompressed files of 1, 4, 8, 16, 24 or 32 bits per pixel (16 and 32 bits optionally
// with colour masks), with the OS/2 12-byte header or a Windows header of 40 to 124 bytes, rows
// bottom-up or top-down. Every read is checked against the file's size before it is made, and
// every output byte is written from the file or from a documented colour:
//  - Palette images (1, 4, 8 bits) take their colour table from between the header and the
//    pixels: the number of entries the header states (all 2^bits when it states 0), but never
//    more than fit before the pixels. A pixel whose index lies past the table is black.
//  - 16-, 24- and 32-bit files may carry a colour table too (a hint for palette displays); it is
//    skipped and the pixels are read from the offset the file header gives.
//  - A colour channel of n bits is widened to 8 by repeating its bits (5-bit 31 gives 255).
// A truncated file, compression other than masks, or a size beyond 8192 pixels is refused.
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "pfd/texture_set.h"
#include "platform/byte_order.h"

namespace {

constexpr int32_t kMaxSide = 8192;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kBitFields = 3;

// Little-endian reads that never leave the buffer (callers check the range first).
uint16_t U16(const uint8_t* p) { return le::Get16(p); }
uint32_t U32(const uint8_t* p) { return le::Get32(p); }

struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: top-down rows
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue (16 and 32 bits only)
  size_t tableStart = 0;          // where a colour table would begin
};

// Sizes `out` for the image and calls `row(src, dst, width)` for each of its rows, bottom row first
// (a bottom-up file already stores it that way), `src` at that row's first byte in the file.
template <typename RowDecoder>
void ForEachRow(const uint8_t* bytes, const BmpHeader& h, size_t rows, size_t stride, DecodedImage& out,
                RowDecoder&& row) {
  const size_t width = static_cast<size_t>(h.width);
  const bool topDown = h.height < 0;
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(rows);
  out.rgb.assign(width * rows * 3, 0);
  for (size_t r = 0; r < rows; ++r) {
    const size_t fileRow = topDown ? rows - 1 - r : r;
    row(bytes + h.pixelOffset + fileRow * stride, out.rgb.data() + r * width * 3, width);
  }
}

bool ReadHeader(const uint8_t* bytes, size_t size, BmpHeader& h) {
  if (size < kFileHeaderSize + kCoreHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
  h.pixelOffset = U32(bytes + 10);
  h.infoSize = U32(bytes + 14);
  const uint8_t* info = bytes + kFileHeaderSize;
  if (h.infoSize == kCoreHeaderSize) {  // OS/2: 16-bit sizes, bottom-up only
    h.width = U16(info + 4);
    h.height = U16(info + 6);
    h.bitsPerPixel = U16(info + 10);
    h.tableStart = kFileHeaderSize + kCoreHeaderSize;
    return true;
  }
  if (h.infoSize < 40 || h.infoSize > 124 || size < kFileHeaderSize + h.infoSize) return false;
  h.width = static_cast<int32_t>(U32(info + 4));
  h.height = static_cast<int32_t>(U32(info + 8));
  h.bitsPerPixel = U16(info + 14);
  h.compression = U32(info + 16);
  h.coloursUsed = U32(info + 32);
  h.tableStart = kFileHeaderSize + h.infoSize;
  if (h.compression == kBitFields) {
    if (h.infoSize >= 52) {  // the masks are part of the longer headers
      for (int i = 0; i < 3; ++i) h.masks[i] = U32(info + 40 + 4 * i);
    } else {                 // they follow the 40-byte header
      if (size < h.tableStart + 12) return false;
      for (int i = 0; i < 3; ++i) h.masks[i] = U32(bytes + h.tableStart + 4 * i);
      h.tableStart += 12;
    }
  } else if (h.bitsPerPixel == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.bitsPerPixel == 32) {
    h.masks[0] = 0x00FF0000;
    h.masks[1] = 0x0000FF00;
    h.masks[2] = 0x000000FF;
  }
  return true;
}

// One colour channel given by a mask: where it starts and how many bits it has.
struct Channel {
  int shift = 0;
  int bits = 0;
};

// False for an empty mask or one whose bits are not contiguous.
bool MaskChannel(uint32_t mask, Channel& c) {
  if (mask == 0) return false;
  c.shift = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++c.shift;
  }
  c.bits = 0;
  while ((mask & 1u) != 0) {
    mask >>= 1;
    ++c.bits;
  }
  return mask == 0;
}

// The channel's value widened to 8 bits by repeating its bits (only the top 8 of a wider one).
uint8_t Widen(uint32_t pixel, const Channel& c) {
  uint32_t value = (pixel >> c.shift) & ((c.bits >= 32 ? 0u : (1u << c.bits)) - 1u);
  int bits = c.bits;
  if (bits > 8) {
    value >>= bits - 8;
    bits = 8;
  }
  uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += bits) {
    const int shift = 8 - bits - filled;
    out |= shift >= 0 ? value << shift : value >> -shift;
  }
  return static_cast<uint8_t>(out);
}

// Palette images: the colour table is read into a table of all 2^bits entries whose unused
// entries are black, so every index gives a defined colour.
bool DecodePalette(const uint8_t* bytes, const BmpHeader& h, size_t rows, size_t stride,
                   DecodedImage& out) {
  const bool core = h.infoSize == kCoreHeaderSize;
  const size_t entrySize = core ? 3 : 4;
  const size_t maxEntries = size_t{1} << h.bitsPerPixel;
  size_t entries = (core || h.coloursUsed == 0) ? maxEntries : h.coloursUsed;
  if (entries > maxEntries) entries = maxEntries;
  if (h.pixelOffset < h.tableStart) return false;
  const size_t fit = (h.pixelOffset - h.tableStart) / entrySize;  // pixelOffset <= size
  if (entries > fit) entries = fit;

  // Exactly the entries the depth can index, so a table longer than that can only be read into it
  // through the bound above (a write past it is an invalid write under Valgrind).
  std::vector<uint8_t> palette(maxEntries * 3, 0);
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* e = bytes + h.tableStart + i * entrySize;
    palette[i * 3] = e[2];
    palette[i * 3 + 1] = e[1];
    palette[i * 3 + 2] = e[0];
  }

  const unsigned bpp = h.bitsPerPixel;
  const unsigned perByte = 8 / bpp;
  const unsigned mask = (1u << bpp) - 1u;
  ForEachRow(bytes, h, rows, stride, out, [&](const uint8_t* src, uint8_t* dst, size_t width) {
    for (size_t x = 0; x < width; ++x) {
      // The leftmost pixel is in the highest bits of its byte.
      const unsigned shift = (perByte - 1 - static_cast<unsigned>(x % perByte)) * bpp;
      const unsigned index = (src[x / perByte] >> shift) & mask;
      std::memcpy(dst + x * 3, palette.data() + index * 3, 3);
    }
  });
  return true;
}

// 16-, 24- and 32-bit images.
bool DecodeDirect(const uint8_t* bytes, const BmpHeader& h, size_t rows, size_t stride,
                  DecodedImage& out) {
  const unsigned bpp = h.bitsPerPixel;
  Channel channels[3];
  if (bpp != 24) {
    for (int i = 0; i < 3; ++i) {
      if (!MaskChannel(h.masks[i], channels[i])) return false;
      if (bpp == 16 && channels[i].shift + channels[i].bits > 16) return false;
    }
  }
  const size_t pixelBytes = bpp / 8;
  ForEachRow(bytes, h, rows, stride, out, [&](const uint8_t* src, uint8_t* dst, size_t width) {
    for (size_t x = 0; x < width; ++x) {
      const uint8_t* p = src + x * pixelBytes;
      if (bpp == 24) {
        dst[x * 3] = p[2];
        dst[x * 3 + 1] = p[1];
        dst[x * 3 + 2] = p[0];
        continue;
      }
      const uint32_t pixel = bpp == 16 ? U16(p) : U32(p);
      for (int i = 0; i < 3; ++i) dst[x * 3 + i] = Widen(pixel, channels[i]);
    }
  });
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
  if (h.compression != 0 && !(h.compression == kBitFields && (bpp == 16 || bpp == 32))) {
    return false;
  }
  if (h.pixelOffset < h.tableStart || h.pixelOffset > size) return false;
  const uint64_t stride = ((static_cast<uint64_t>(h.width) * bpp + 31) / 32) * 4;
  const uint64_t rows = static_cast<uint64_t>(h.height < 0 ? -h.height : h.height);
  if ((size - h.pixelOffset) / stride < rows) return false;

  DecodedImage decoded;
  const bool good = bpp <= 8 ? DecodePalette(bytes, h, rows, stride, decoded)
                             : DecodeDirect(bytes, h, rows, stride, decoded);
  if (!good) return false;
  image = std::move(decoded);
  return true;
}
