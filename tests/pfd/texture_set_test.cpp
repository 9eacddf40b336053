// BMP decoding for the texture set: every bit depth and row order a paint program writes, and clean refusal of everything else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pfd/bmp_decoder.h"
#include "platform/byte_order.h"
#include "platform/system.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Eight colours whose channels are all 0 or 255, so that even 5- and 6-bit channels hold them
// exactly.
const Rgb kPalette[8] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                         {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 255}};

// How a test bitmap is written.
struct BmpFormat {
  const char* name;
  int bitsPerPixel;
  int infoSize = 40;            // 12 (core), 40, 108 or 124
  uint32_t compression = 0;     // 0 plain, 3 colour masks
  bool mask565 = false;         // 16-bit masks 5-6-5 (with compression 3)
};

constexpr int kWidth = 5;   // odd: every depth needs row padding
constexpr int kHeight = 3;

// The colour index of pixel (x, y), y counted from the bottom; 1-bit images use two colours.
int IndexAt(const BmpFormat& f, int x, int y) {
  return f.bitsPerPixel == 1 ? (x + y) % 2 : (x + 3 * y) % 8;
}

using le::Append16;
using le::Append32;

// Writes the test picture as a BMP file of the given format, bottom-up or top-down.
std::vector<uint8_t> MakeBmp(const BmpFormat& f, bool topDown, int width = kWidth,
                             int height = kHeight) {
  const int bpp = f.bitsPerPixel;
  const bool core = f.infoSize == 12;
  const int paletteEntries = bpp <= 8 ? (bpp == 1 ? 2 : 8) : 0;
  const int entrySize = core ? 3 : 4;
  const bool masksAfterHeader = f.infoSize == 40 && f.compression == 3;
  const uint32_t offset = 14 + f.infoSize + (masksAfterHeader ? 12 : 0) + paletteEntries * entrySize;
  const int stride = ((width * bpp + 31) / 32) * 4;
  const uint32_t fileSize = offset + stride * height;

  uint32_t maskR = 0, maskG = 0, maskB = 0;
  if (bpp == 16) {
    maskR = f.mask565 ? 0xF800 : 0x7C00;
    maskG = f.mask565 ? 0x07E0 : 0x03E0;
    maskB = 0x001F;
  } else if (bpp == 32) {
    maskR = 0x00FF0000;
    maskG = 0x0000FF00;
    maskB = 0x000000FF;
  }

  std::vector<uint8_t> v = {'B', 'M'};
  Append32(v, fileSize);
  Append32(v, 0);
  Append32(v, offset);
  Append32(v, static_cast<uint32_t>(f.infoSize));
  if (core) {
    Append16(v, static_cast<uint32_t>(width));
    Append16(v, static_cast<uint32_t>(height));
    Append16(v, 1);
    Append16(v, static_cast<uint32_t>(bpp));
  } else {
    Append32(v, static_cast<uint32_t>(width));
    Append32(v, static_cast<uint32_t>(topDown ? -height : height));
    Append16(v, 1);
    Append16(v, static_cast<uint32_t>(bpp));
    Append32(v, f.compression);
    Append32(v, static_cast<uint32_t>(stride * height));
    Append32(v, 2835);
    Append32(v, 2835);
    Append32(v, static_cast<uint32_t>(paletteEntries));
    Append32(v, 0);
    if (f.infoSize >= 108) {
      Append32(v, maskR);
      Append32(v, maskG);
      Append32(v, maskB);
      Append32(v, 0);                               // no alpha
      while (v.size() < 14u + f.infoSize) v.push_back(0);  // colour space fields
    }
  }
  if (masksAfterHeader) {
    Append32(v, maskR);
    Append32(v, maskG);
    Append32(v, maskB);
  }
  for (int i = 0; i < paletteEntries; ++i) {
    const Rgb c = bpp == 1 ? (i == 0 ? Rgb{10, 20, 30} : Rgb{200, 150, 100}) : kPalette[i];
    v.push_back(c.b);
    v.push_back(c.g);
    v.push_back(c.r);
    if (!core) v.push_back(0);
  }
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = topDown ? height - 1 - fileRow : fileRow;  // y from the bottom
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int x = 0; x < width; ++x) {
      const int index = IndexAt(f, x, y);
      const Rgb c = kPalette[index];
      switch (bpp) {
        case 1: row[x / 8] |= static_cast<uint8_t>(index << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(index); break;
        case 16: {
          const uint32_t r = c.r ? maskR : 0, g = c.g ? maskG : 0, b = c.b ? maskB : 0;
          row[x * 2] = static_cast<uint8_t>(r | g | b);
          row[x * 2 + 1] = static_cast<uint8_t>((r | g | b) >> 8);
          break;
        }
        case 24:
          row[x * 3] = c.b;
          row[x * 3 + 1] = c.g;
          row[x * 3 + 2] = c.r;
          break;
        case 32:
          row[x * 4] = c.b;
          row[x * 4 + 1] = c.g;
          row[x * 4 + 2] = c.r;
          row[x * 4 + 3] = 0;
          break;
      }
    }
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

Rgb Expected(const BmpFormat& f, int x, int y) {
  if (f.bitsPerPixel == 1) return IndexAt(f, x, y) == 0 ? Rgb{10, 20, 30} : Rgb{200, 150, 100};
  return kPalette[IndexAt(f, x, y)];
}

Rgb Decoded(const DecodedImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  return Rgb{image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

bool Decode(const std::vector<uint8_t>& bytes, DecodedImage& image) {
  return DecodeBitmap(bytes.data(), bytes.size(), image);
}

const BmpFormat kFormats[] = {
    {"1-bit", 1},
    {"4-bit", 4},
    {"8-bit", 8},
    {"16-bit 5-5-5", 16},
    {"16-bit 5-6-5 masks", 16, 40, 3, true},
    {"24-bit", 24},
    {"32-bit", 32},
    {"32-bit masks", 32, 40, 3},
    {"24-bit v5 header", 24, 124},
    {"32-bit v4 header masks", 32, 108, 3},
    {"8-bit v5 header", 8, 124},
    {"1-bit core header", 1, 12},
    {"8-bit core header", 8, 12},
    {"24-bit core header", 24, 12},
};

TEST(BmpDecoding, EveryDepthAndRowOrderGivesTheBottomRowFirstInRgb) {
  for (const BmpFormat& f : kFormats) {
    for (bool topDown : {false, true}) {
      if (topDown && f.infoSize == 12) continue;  // the core header has no top-down form
      SCOPED_TRACE(std::string(f.name) + (topDown ? " top-down" : " bottom-up"));
      DecodedImage image;
      ASSERT_TRUE(Decode(MakeBmp(f, topDown), image));
      ASSERT_EQ(image.width, kWidth);
      ASSERT_EQ(image.height, kHeight);
      ASSERT_EQ(image.rgb.size(), static_cast<size_t>(kWidth * kHeight * 3));
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          EXPECT_TRUE(Decoded(image, x, y) == Expected(f, x, y)) << "pixel " << x << "," << y;
        }
      }
    }
  }
}

// The texture set reads a file's first bytes, then its rows in pieces: every format decodes to the
// same picture that way, and a file cut short is refused from its head alone.
TEST(BmpDecoding, RowsDecodedAfterTheHeadGiveTheWholeFilesPicture) {
  for (const BmpFormat& f : kFormats) {
    for (bool topDown : {false, true}) {
      if (topDown && f.infoSize == 12) continue;
      SCOPED_TRACE(std::string(f.name) + (topDown ? " top-down" : " bottom-up"));
      const std::vector<uint8_t> file = MakeBmp(f, topDown, 300, 40);  // most are longer than the head
      DecodedImage whole;
      ASSERT_TRUE(Decode(file, whole));
      BitmapRows rows;
      const size_t head = std::min(file.size(), kBitmapHeadBytes);
      ASSERT_TRUE(rows.Parse(file.data(), head, file.size()));
      EXPECT_FALSE(BitmapRows().Parse(file.data(), head, file.size() - 1));
      ASSERT_EQ(rows.Width(), whole.width);
      ASSERT_EQ(rows.Height(), whole.height);
      std::vector<uint8_t> rgb(static_cast<size_t>(rows.Width()) * rows.Height() * 3);
      for (int32_t r = 0; r < rows.Height(); ++r) {
        rows.DecodeRow(file.data() + rows.PixelOffset() + static_cast<size_t>(rows.FileRow(r)) * rows.Stride(),
                       rgb.data() + static_cast<size_t>(r) * rows.Width() * 3);
      }
      EXPECT_EQ(rgb, whole.rgb);
    }
  }
}

TEST(BmpDecoding, WideOneBitRowsUseEveryBitOfEachByte) {
  const BmpFormat f{"1-bit", 1};
  for (int width : {1, 8, 9, 33}) {
    SCOPED_TRACE(width);
    DecodedImage image;
    ASSERT_TRUE(Decode(MakeBmp(f, false, width, 2), image));
    ASSERT_EQ(image.width, width);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) EXPECT_TRUE(Decoded(image, x, y) == Expected(f, x, y));
    }
  }
}

// Sets a little-endian 32-bit field of a file.
void Poke32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Poke16(std::vector<uint8_t>& v, size_t at, uint16_t value) {
  v[at] = static_cast<uint8_t>(value);
  v[at + 1] = static_cast<uint8_t>(value >> 8);
}

TEST(BmpDecoding, RefusesWhatIsNotACompleteUncompressedBmpAndLeavesTheImageAlone) {
  const std::vector<uint8_t> good = MakeBmp(BmpFormat{"24-bit", 24}, false);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> bad;
  bad.push_back({"empty", {}});
  bad.push_back({"signature only", {'B', 'M'}});
  bad.push_back({"png signature", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}});
  const std::string text = "this is a text file, not a bitmap at all....................";
  bad.push_back({"text", std::vector<uint8_t>(text.begin(), text.end())});
  for (size_t cut : {size_t{14}, size_t{30}, size_t{54}, good.size() / 2 + 20, good.size() - 1}) {
    bad.push_back({"cut at " + std::to_string(cut),
                   std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut))});
  }
  auto variant = [&](const std::string& name, auto change) {
    std::vector<uint8_t> v = good;
    change(v);
    bad.push_back({name, v});
  };
  variant("width 0", [](auto& v) { Poke32(v, 18, 0); });
  variant("negative width", [](auto& v) { Poke32(v, 18, static_cast<uint32_t>(-5)); });
  variant("height 0", [](auto& v) { Poke32(v, 22, 0); });
  variant("huge height", [](auto& v) { Poke32(v, 22, 100000); });
  variant("huge top-down height", [](auto& v) { Poke32(v, 22, 0x80000000u); });
  variant("over-wide", [](auto& v) { Poke32(v, 18, 9000); Poke32(v, 22, 1); });
  variant("run-length compression", [](auto& v) { Poke32(v, 30, 1); });
  variant("jpeg compression", [](auto& v) { Poke32(v, 30, 4); });
  variant("masks on 24 bits", [](auto& v) { Poke32(v, 30, 3); });
  variant("2 bits per pixel", [](auto& v) { Poke16(v, 28, 2); });
  variant("0 bits per pixel", [](auto& v) { Poke16(v, 28, 0); });
  variant("pixels beyond the end", [](auto& v) { Poke32(v, 10, 4000); });
  variant("pixels inside the header", [](auto& v) { Poke32(v, 10, 20); });
  variant("unknown header size", [](auto& v) { Poke32(v, 14, 7); });
  variant("wrong signature", [](auto& v) { v[0] = 'X'; });
  {
    std::vector<uint8_t> v = MakeBmp(BmpFormat{"1-bit", 1}, false);
    v.resize(v.size() - 1);
    bad.push_back({"1-bit cut short", v});
  }

  for (const auto& [name, bytes] : bad) {
    DecodedImage image;
    image.width = 7;
    image.height = 9;
    image.rgb.assign(3, 42);
    EXPECT_FALSE(DecodeBitmap(bytes.data(), bytes.size(), image)) << name;
    EXPECT_EQ(image.width, 7) << name;
    EXPECT_EQ(image.height, 9) << name;
    EXPECT_EQ(image.rgb, std::vector<uint8_t>(3, 42)) << name;
  }
  DecodedImage image;
  EXPECT_FALSE(DecodeBitmap(nullptr, 100, image));
}

TEST(BmpDecoding, DamagedFilesNeverGiveAnInconsistentImage) {
  // Damage valid files of every depth byte by byte (a fixed seed keeps the run repeatable): each
  // must be refused or give an image whose pixel data matches its size.
  std::mt19937 random(20240611u);
  int accepted = 0, refused = 0;
  for (const BmpFormat& f : kFormats) {
    const std::vector<uint8_t> good = MakeBmp(f, false, 9, 4);
    for (int trial = 0; trial < 300; ++trial) {
      std::vector<uint8_t> v = good;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i) {
        const size_t at = random() % std::min<size_t>(v.size(), 80);  // mostly the headers
        v[at] = static_cast<uint8_t>(random());
      }
      if (random() % 4 == 0) v.resize(random() % v.size());
      DecodedImage image;
      if (DecodeBitmap(v.data(), v.size(), image)) {
        ++accepted;
        ASSERT_GT(image.width, 0);
        ASSERT_GT(image.height, 0);
        ASSERT_LE(image.width, 8192);
        ASSERT_LE(image.height, 8192);
        ASSERT_EQ(image.rgb.size(), static_cast<size_t>(image.width) * image.height * 3);
      } else {
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(accepted, 0);
}

class TextureFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("orvane_texture_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  std::filesystem::path folder_;
};

TEST_F(TextureFileTest, LoadsABmpFileWhateverItsExtension) {
  const std::vector<uint8_t> bytes = MakeBmp(BmpFormat{"8-bit", 8}, true);
  const std::string path = Write("pfd_2.txr", bytes);
  DecodedImage fromFile, fromMemory;
  ASSERT_TRUE(LoadTextureBitmap(path, fromFile));
  ASSERT_TRUE(Decode(bytes, fromMemory));
  EXPECT_EQ(fromFile.width, kWidth);
  EXPECT_EQ(fromFile.height, kHeight);
  EXPECT_EQ(fromFile.rgb, fromMemory.rgb);
}

TEST_F(TextureFileTest, EmptyNameMissingFileFolderAndGarbageGiveNoImage) {
  const std::string garbage = Write("garbage.txr", std::vector<uint8_t>(300, 0x5A));
  const std::string truncated =
      Write("short.txr", std::vector<uint8_t>(40, 'B'));  // starts like a bitmap, is none
  for (const std::string& name :
       {std::string(), (folder_ / "missing.txr").string(), folder_.string(), garbage, truncated}) {
    DecodedImage image;
    image.width = 3;
    EXPECT_FALSE(LoadTextureBitmap(name, image)) << name;
    EXPECT_EQ(image.width, 3) << name;
    EXPECT_TRUE(image.rgb.empty()) << name;
  }
}

// Whole files are read into a buffer of their size; pieces from where they are asked for; what
// is not there is refused.
TEST_F(TextureFileTest, FilesAreReadWholeOrInPiecesAndNeverPastTheirEnd) {
  std::vector<uint8_t> bytes(100000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
  const std::string path = Write("data.bin", bytes);
  std::string whole;
  ASSERT_TRUE(platform::ReadWholeFile(path, whole, bytes.size()));
  EXPECT_EQ(std::vector<uint8_t>(whole.begin(), whole.end()), bytes);
  EXPECT_FALSE(platform::ReadWholeFile(path, whole, bytes.size() - 1));
  EXPECT_TRUE(platform::ReadWholeFile(Write("empty.bin", {}), whole, 10));
  EXPECT_TRUE(whole.empty());
#ifdef __linux__
  // A file that states no size (the kernel's) is read to its end all the same.
  ASSERT_TRUE(platform::ReadWholeFile("/proc/self/status", whole, 1 << 20));
  EXPECT_NE(whole.find("VmRSS"), std::string::npos);
#endif

  platform::FileReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.Size(), bytes.size());
  std::vector<uint8_t> piece(1000);
  for (size_t offset : {size_t{50000}, size_t{0}, bytes.size() - 1000}) {
    ASSERT_TRUE(reader.ReadAt(offset, piece.data(), piece.size())) << offset;
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), bytes.begin() + static_cast<long>(offset))) << offset;
  }
  EXPECT_FALSE(reader.ReadAt(bytes.size() - 999, piece.data(), piece.size()));
  EXPECT_FALSE(reader.ReadAt(bytes.size() + 1, piece.data(), 0));
  EXPECT_FALSE(reader.Open((folder_ / "missing.bin").string()));
  EXPECT_FALSE(reader.Open(folder_.string()));
  EXPECT_FALSE(reader.ReadAt(0, piece.data(), 1));
}

}  // namespace
