// BMP decoding of palette images (1, 4, 8 bits; Windows and OS/2 headers) and of 16/24/32-bit
// files that carry a colour table. Every decoded byte is compared, so a run under Valgrind
// (ctest bmp_decoder_valgrind) reports any byte that did not come from the file or a defined
// colour.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pfd/bmp_decoder.h"
#include "platform/byte_order.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << int{c.r} << "," << int{c.g} << "," << int{c.b} << ")";
}

using le::Append16;
using le::Append32;

// A bottom-up BMP: header (12-byte OS/2 or 40-byte Windows), optional masks, colour table, rows.
// `pixels` holds one value per pixel, bottom row first: a palette index or a packed pixel.
std::vector<uint8_t> MakeBmp(int bpp, bool core, int width, int height,
                             const std::vector<Rgb>& table, uint32_t coloursUsed,
                             const std::vector<uint32_t>& pixels,
                             const std::vector<uint32_t>& masks = {}) {
  const uint32_t infoSize = core ? 12 : 40;
  const uint32_t entrySize = core ? 3 : 4;
  const uint32_t offset = 14 + infoSize + 4 * static_cast<uint32_t>(masks.size()) +
                          entrySize * static_cast<uint32_t>(table.size());
  const uint32_t stride = ((static_cast<uint32_t>(width) * bpp + 31) / 32) * 4;
  std::vector<uint8_t> v = {'B', 'M'};
  Append32(v, offset + stride * static_cast<uint32_t>(height));
  Append32(v, 0);
  Append32(v, offset);
  Append32(v, infoSize);
  if (core) {
    Append16(v, static_cast<uint32_t>(width));
    Append16(v, static_cast<uint32_t>(height));
    Append16(v, 1);
    Append16(v, static_cast<uint32_t>(bpp));
  } else {
    Append32(v, static_cast<uint32_t>(width));
    Append32(v, static_cast<uint32_t>(height));
    Append16(v, 1);
    Append16(v, static_cast<uint32_t>(bpp));
    Append32(v, masks.empty() ? 0 : 3);
    Append32(v, stride * static_cast<uint32_t>(height));
    Append32(v, 2835);
    Append32(v, 2835);
    Append32(v, coloursUsed);
    Append32(v, 0);
  }
  for (uint32_t m : masks) Append32(v, m);
  for (const Rgb& c : table) {
    v.push_back(c.b);
    v.push_back(c.g);
    v.push_back(c.r);
    if (!core) v.push_back(0);
  }
  for (int y = 0; y < height; ++y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y * width + x)];
      if (bpp < 8) {
        const int perByte = 8 / bpp;
        row[x / perByte] |= static_cast<uint8_t>(p << ((perByte - 1 - x % perByte) * bpp));
      } else {
        for (int i = 0; i < bpp / 8; ++i) row[x * (bpp / 8) + i] = static_cast<uint8_t>(p >> (8 * i));
      }
    }
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

Rgb PixelAt(const DecodedImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  return Rgb{image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

// Colours a pilot can name, distinct from black.
const std::vector<Rgb> kColours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0},
                                   {0, 255, 255}, {255, 0, 255}, {255, 255, 255},
                                   {128, 128, 128}};

TEST(BmpPalette, IndicesInTheTableGiveItsColoursAndIndicesPastItGiveBlack) {
  for (int bpp : {1, 4, 8}) {
    for (bool core : {false, true}) {
      SCOPED_TRACE(std::to_string(bpp) + (core ? "-bit OS/2 header" : "-bit Windows header"));
      // A table shorter than the depth allows; the pixels use every index the depth can hold
      // (up to 16 of them), so some lie past the table.
      const std::vector<Rgb> table(kColours.begin(), kColours.begin() + (bpp == 1 ? 1 : 3));
      const int indices = bpp == 1 ? 2 : 16;
      const int width = 8, height = (indices + 7) / 8 + 1;
      std::vector<uint32_t> pixels;
      for (int i = 0; i < width * height; ++i) {
        pixels.push_back(static_cast<uint32_t>(bpp == 8 ? (i * 17) % 256 : i % indices));
      }
      DecodedImage image;
      const std::vector<uint8_t> file = MakeBmp(bpp, core, width, height, table,
                                                static_cast<uint32_t>(table.size()), pixels);
      ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
      ASSERT_EQ(image.width, width);
      ASSERT_EQ(image.height, height);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const uint32_t index = pixels[static_cast<size_t>(y * width + x)];
          const Rgb want = index < table.size() ? table[index] : Rgb{0, 0, 0};
          EXPECT_EQ(PixelAt(image, x, y), want) << "index " << index;
        }
      }
    }
  }
}

TEST(BmpPalette, FullTablesGiveEveryColourFromTheFile) {
  // All 256 entries of an 8-bit table (the last ones included) and a 4-bit table stated as
  // "0 colours used", which means all 16.
  for (bool core : {true, false}) {
    SCOPED_TRACE(core ? "OS/2 header" : "Windows header");
    std::vector<Rgb> table;
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i) {
      table.push_back(Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                          static_cast<uint8_t>(i ^ 0x5A)});
      pixels.push_back(i);
    }
    DecodedImage image;
    std::vector<uint8_t> file = MakeBmp(8, core, 16, 16, table, 0, pixels);
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(PixelAt(image, i % 16, i / 16), table[i]) << i;

    table.resize(16);
    pixels.resize(16);
    file = MakeBmp(4, core, 4, 4, table, 0, pixels);
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PixelAt(image, i % 4, i / 4), table[i]) << i;
  }
}

TEST(BmpPalette, AHeaderClaimingMoreColoursThanTheDepthAllowsReadsOnlyThoseItAllows) {
  // An 8-bit file stating 300 colours, all 300 present before the pixels: the first 256 are the
  // picture's, the other 44 are never read (nor written anywhere).
  std::vector<Rgb> table;
  std::vector<uint32_t> pixels;
  for (uint32_t i = 0; i < 300; ++i) {
    table.push_back(Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(200 - i % 200)});
  }
  for (uint32_t i = 0; i < 256; ++i) pixels.push_back(255 - i);
  const std::vector<uint8_t> file = MakeBmp(8, false, 16, 16, table, 300, pixels);
  DecodedImage image;
  ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(PixelAt(image, i % 16, i / 16), table[255 - i]) << i;
}

TEST(BmpColourTable, DirectColourFilesSkipTheTableBeforeThePixels) {
  // 16, 24 and 32 bits with a 16-entry colour table between the header and the pixels.
  const std::vector<Rgb> table(16, Rgb{9, 9, 9});
  struct Case {
    const char* name;
    int bpp;
    std::vector<uint32_t> masks;
    std::vector<uint32_t> pixels;  // red, green, blue, white
    std::vector<Rgb> want;
  };
  const std::vector<Rgb> primaries = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const std::vector<Case> cases = {
      {"24-bit", 24, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, primaries},
      {"32-bit", 32, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, primaries},
      {"16-bit 5-5-5", 16, {}, {0x7C00, 0x03E0, 0x001F, 0x7FFF}, primaries},
      // 5-6-5 masks: full channels are 255; green 32 of 63 (100000) widens to 130 (10000010),
      // red 16 of 31 (10000) to 132 (10000100).
      {"16-bit 5-6-5 masks", 16, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x0400, 0x8000, 0xFFFF},
       {{255, 0, 0}, {0, 130, 0}, {132, 0, 0}, {255, 255, 255}}},
      {"32-bit masks", 32, {0x000000FF, 0x0000FF00, 0x00FF0000}, {0x0000FF, 0x00FF00, 0xFF0000,
       0xFFFFFF}, primaries},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file = MakeBmp(c.bpp, false, 2, 2, table, 16, c.pixels, c.masks);
    DecodedImage image;
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(PixelAt(image, i % 2, i / 2), c.want[i]) << i;
  }
}

}  // namespace
