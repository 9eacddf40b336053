// Test bitmaps on disk: 24-bit BMP encoding and file writing.
#include "support/bmp_file.h"

#include <fstream>

namespace orvane_test {

namespace {
void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
}  // namespace

std::vector<uint8_t> EncodeBmp24(const DecodedImage& image) {
  const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
  std::vector<uint8_t> v = {'B', 'M'};
  Put32(v, 54 + dataSize);
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, static_cast<uint32_t>(image.width));
  Put32(v, static_cast<uint32_t>(image.height));
  Put16(v, 1);
  Put16(v, 24);
  Put32(v, 0);
  Put32(v, dataSize);
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, 0);
  Put32(v, 0);
  for (int y = 0; y < image.height; ++y) {  // both keep the bottom row first
    const size_t rowStart = v.size();
    for (int x = 0; x < image.width; ++x) {
      const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
      v.push_back(image.rgb[at + 2]);
      v.push_back(image.rgb[at + 1]);
      v.push_back(image.rgb[at]);
    }
    v.resize(rowStart + stride, 0);
  }
  return v;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace orvane_test
