// Test bitmaps on disk: 24-bit BMP encoding and file writing.
#include "support/bmp_file.h"
#include "platform/byte_order.h"

#include <fstream>

namespace orvane_test {

namespace {
using le::Append16;
using le::Append32;
}  // namespace

std::vector<uint8_t> EncodeBmp24(const DecodedImage& image) {
  const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
  std::vector<uint8_t> v = {'B', 'M'};
  Append32(v, 54 + dataSize);
  Append32(v, 0);
  Append32(v, 54);
  Append32(v, 40);
  Append32(v, static_cast<uint32_t>(image.width));
  Append32(v, static_cast<uint32_t>(image.height));
  Append16(v, 1);
  Append16(v, 24);
  Append32(v, 0);
  Append32(v, dataSize);
  Append32(v, 2835);
  Append32(v, 2835);
  Append32(v, 0);
  Append32(v, 0);
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
