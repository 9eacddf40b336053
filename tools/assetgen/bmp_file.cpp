// 24-bit BMP encoding and atomic file writing.
#include "bmp_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace assetgen {

std::vector<std::uint8_t> EncodeBmp24(const Image& image) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(image.height);
  const std::uint32_t headerBytes = 14 + 40;
  std::vector<std::uint8_t> out;
  out.reserve(headerBytes + pixelBytes);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  le::Append32(out, headerBytes + pixelBytes);
  le::Append32(out, 0);
  le::Append32(out, headerBytes);
  // BITMAPINFOHEADER: positive height = bottom-up rows, BI_RGB, 2835 pixels per metre (72 dpi).
  le::Append32(out, 40);
  le::Append32(out, static_cast<std::uint32_t>(image.width));
  le::Append32(out, static_cast<std::uint32_t>(image.height));
  le::Append16(out, 1);
  le::Append16(out, 24);
  le::Append32(out, 0);
  le::Append32(out, pixelBytes);
  le::Append32(out, 2835);
  le::Append32(out, 2835);
  le::Append32(out, 0);
  le::Append32(out, 0);
  for (int y = 0; y < image.height; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * image.width * 3;
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = row + static_cast<std::size_t>(x) * 3;
      out.push_back(image.rgb[at + 2]);
      out.push_back(image.rgb[at + 1]);
      out.push_back(image.rgb[at]);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(image.width) * 3; pad < stride; ++pad) {
      out.push_back(0);
    }
  }
  return out;
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temp = path + ".part";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot create " + temp);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    f.close();
    if (!f) throw std::runtime_error("cannot write " + temp);
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw std::runtime_error("cannot replace " + path);
  }
}

}  // namespace assetgen
