// An RGB picture in memory: 8 bits per channel, row 0 at the bottom (as BMP files and textures store it).
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Rgb {
  double r = 0.0;  // 0..255
  double g = 0.0;
  double b = 0.0;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, bottom row first

  Image() = default;
  Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0) {}

  void Set(int x, int y, Rgb c);
  Rgb Get(int x, int y) const;
};

// The colour a + (b - a) * t.
Rgb Mix(Rgb a, Rgb b, double t);

}  // namespace assetgen
