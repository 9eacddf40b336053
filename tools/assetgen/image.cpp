// Pixel access for in-memory pictures.
#include "image.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {
std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}
}  // namespace

void Image::Set(int x, int y, Rgb c) {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  rgb[at] = ToByte(c.r);
  rgb[at + 1] = ToByte(c.g);
  rgb[at + 2] = ToByte(c.b);
}

Rgb Image::Get(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return {static_cast<double>(rgb[at]), static_cast<double>(rgb[at + 1]),
          static_cast<double>(rgb[at + 2])};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace assetgen
