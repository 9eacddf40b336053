// Decodes Windows BMP files into the bottom-row-first 8-bit RGB images the texture set uploads,
// whole (DecodeBitmap) or row by row as the file is read (BitmapRows).
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

#include "pfd/bmp_decoder.h"
#include "platform/byte_order.h"
#include "platform/system.h"

namespace {

constexpr int32_t kMaxSide = 8192;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kBitFields = 3;

static_assert(kBitmapHeadBytes >= kFileHeaderSize + 124 + 12 + 256 * 4,
              "the head holds the longest header, its masks and a full colour table");

// Little-endian reads that never leave the buffer (callers check the range first).
uint16_t U16(const uint8_t* p) { return le::Get16(p); }
uint32_t U32(const uint8_t* p) { return le::Get32(p); }

// False for an empty mask or one whose bits are not contiguous.
bool MaskChannel(uint32_t mask, int& shift, int& bits) {
  if (mask == 0) return false;
  shift = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  bits = 0;
  while ((mask & 1u) != 0) {
    mask >>= 1;
    ++bits;
  }
  return mask == 0;
}

// The channel's value widened to 8 bits by repeating its bits (only the top 8 of a wider one).
uint8_t Widen(uint32_t pixel, int shift, int channelBits) {
  uint32_t value = (pixel >> shift) & ((channelBits >= 32 ? 0u : (1u << channelBits)) - 1u);
  int bits = channelBits;
  if (bits > 8) {
    value >>= bits - 8;
    bits = 8;
  }
  uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += bits) {
    const int s = 8 - bits - filled;
    out |= s >= 0 ? value << s : value >> -s;
  }
  return static_cast<uint8_t>(out);
}

}  // namespace

bool BitmapRows::Parse(const uint8_t* head, size_t headSize, uint64_t fileSize) {
  *this = BitmapRows{};
  if (head == nullptr || headSize > fileSize || fileSize > static_cast<uint64_t>(INT_MAX)) return false;
  if (headSize < kFileHeaderSize + kCoreHeaderSize || head[0] != 'B' || head[1] != 'M') return false;
  const uint32_t pixelOffset = U32(head + 10);
  const uint32_t infoSize = U32(head + 14);
  const uint8_t* info = head + kFileHeaderSize;
  const bool core = infoSize == kCoreHeaderSize;
  int64_t width = 0, height = 0;
  uint32_t compression = 0, coloursUsed = 0;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue (16 and 32 bits only)
  size_t tableStart = 0;          // where a colour table would begin
  if (core) {                     // OS/2: 16-bit sizes, bottom-up only
    width = U16(info + 4);
    height = U16(info + 6);
    bits_ = U16(info + 10);
    tableStart = kFileHeaderSize + kCoreHeaderSize;
  } else {
    if (infoSize < 40 || infoSize > 124 || headSize < kFileHeaderSize + infoSize) return false;
    width = static_cast<int32_t>(U32(info + 4));
    height = static_cast<int32_t>(U32(info + 8));
    bits_ = U16(info + 14);
    compression = U32(info + 16);
    coloursUsed = U32(info + 32);
    tableStart = kFileHeaderSize + infoSize;
    if (compression == kBitFields) {
      if (infoSize >= 52) {  // the masks are part of the longer headers
        for (int i = 0; i < 3; ++i) masks[i] = U32(info + 40 + 4 * i);
      } else {               // they follow the 40-byte header
        if (headSize < tableStart + 12) return false;
        for (int i = 0; i < 3; ++i) masks[i] = U32(head + tableStart + 4 * i);
        tableStart += 12;
      }
    } else if (bits_ == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else if (bits_ == 32) {
      masks[0] = 0x00FF0000;
      masks[1] = 0x0000FF00;
      masks[2] = 0x000000FF;
    }
  }
  if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide || height < -kMaxSide) {
    return false;
  }
  // Uncompressed pixels only (optionally with colour masks), in the depths a paint program writes,
  // and every row must be in the file: a truncated file is refused, not padded with black.
  const unsigned bpp = bits_;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (compression != 0 && !(compression == kBitFields && (bpp == 16 || bpp == 32))) return false;
  if (pixelOffset < tableStart || pixelOffset > fileSize) return false;
  const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
  if ((fileSize - pixelOffset) / stride < rows) return false;

  if (bpp <= 8) {
    // The colour table: the entries the header states (all 2^bits when it states 0), but never
    // more than fit before the pixels; the table holds exactly the 2^bits entries the depth can
    // index (a write past it is an invalid write under Valgrind), the unused ones black, so every
    // index gives a defined colour.
    const size_t entrySize = core ? 3 : 4;
    const size_t maxEntries = size_t{1} << bpp;
    size_t entries = (core || coloursUsed == 0) ? maxEntries : coloursUsed;
    if (entries > maxEntries) entries = maxEntries;
    const size_t fit = (pixelOffset - tableStart) / entrySize;
    if (entries > fit) entries = fit;
    if (tableStart + entries * entrySize > headSize) return false;  // only with a short head
    palette_.assign(maxEntries, {0, 0, 0});
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = head + tableStart + i * entrySize;
      palette_[i][0] = e[2];
      palette_[i][1] = e[1];
      palette_[i][2] = e[0];
    }
  } else if (bpp != 24) {
    // 16- and 32-bit files may carry a colour table too (a hint for palette displays): skipped.
    for (int i = 0; i < 3; ++i) {
      if (!MaskChannel(masks[i], shift_[i], channelBits_[i])) return false;
      if (bpp == 16 && shift_[i] + channelBits_[i] > 16) return false;
    }
  }
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(rows);
  topDown_ = height < 0;
  pixelOffset_ = pixelOffset;
  stride_ = static_cast<size_t>(stride);
  return true;
}

void BitmapRows::DecodeRow(const uint8_t* src, uint8_t* dst) const {
  const size_t width = static_cast<size_t>(width_);
  const unsigned bpp = bits_;
  if (bpp == 24) {
    for (size_t x = 0; x < width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  } else if (bpp <= 8) {
    const unsigned perByte = 8 / bpp;
    const unsigned mask = (1u << bpp) - 1u;
    for (size_t x = 0; x < width; ++x) {
      // The leftmost pixel is in the highest bits of its byte.
      const unsigned shift = (perByte - 1 - static_cast<unsigned>(x % perByte)) * bpp;
      const unsigned index = (src[x / perByte] >> shift) & mask;
      std::memcpy(dst + x * 3, palette_[index].data(), 3);
    }
  } else {
    const size_t pixelBytes = bpp / 8;
    for (size_t x = 0; x < width; ++x) {
      const uint8_t* p = src + x * pixelBytes;
      const uint32_t pixel = bpp == 16 ? U16(p) : U32(p);
      for (int i = 0; i < 3; ++i) dst[x * 3 + i] = Widen(pixel, shift_[i], channelBits_[i]);
    }
  }
}

bool DecodeBitmap(const uint8_t* bytes, size_t size, DecodedImage& image) {
  BitmapRows rows;
  if (!rows.Parse(bytes, size, size)) return false;
  DecodedImage decoded;
  decoded.width = rows.Width();
  decoded.height = rows.Height();
  const size_t rowBytes = static_cast<size_t>(rows.Width()) * 3;
  decoded.rgb.resize(rowBytes * static_cast<size_t>(rows.Height()));
  for (int32_t r = 0; r < rows.Height(); ++r) {
    rows.DecodeRow(bytes + rows.PixelOffset() + static_cast<size_t>(rows.FileRow(r)) * rows.Stride(),
                   decoded.rgb.data() + static_cast<size_t>(r) * rowBytes);
  }
  image = std::move(decoded);
  return true;
}

bool LoadTextureBitmap(const std::string& fileName, DecodedImage& image) {
  if (fileName.empty()) return false;
  if (!platform::FileExists(fileName)) return false;
  std::string bytes;
  if (!platform::ReadWholeFile(fileName, bytes, kMaxBitmapFileBytes)) return false;
  return DecodeBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}
