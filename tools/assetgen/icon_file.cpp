// Drawing the aircraft icon at three sizes and packing it into an ICO file.
#include "icon_file.h"

#include <algorithm>
#include <cmath>

#include "bmp_file.h"
#include "scene.h"

namespace assetgen {

namespace {

constexpr int kSizes[] = {16, 32, 48};
constexpr Rgb kBody{235, 240, 248};
constexpr Rgb kOutline{20, 60, 120};

// A top view of an airliner in a 48-unit square, nose up, scaled to `size` pixels.
Shape PlaneShape(int size) {
  const double k = size / 48.0;
  auto p = [k](double x, double y) { return Vec2{x * k, y * k}; };
  const Shape fuselage = RoundRect(21.0 * k, 5.0 * k, 27.0 * k, 45.0 * k, 3.0 * k);
  const Shape wings = Polygon({p(24, 32), p(46, 19), p(46, 15), p(24, 21), p(2, 15), p(2, 19)});
  const Shape tail = Polygon({p(24, 14), p(35, 7.5), p(35, 4), p(13, 4), p(13, 7.5)});
  return Union(Union(fuselage, wings), tail);
}

// One icon image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, then the AND mask.
std::vector<std::uint8_t> IconImage(int size) {
  const double outline = std::max(1.0, size / 24.0);
  const Shape plane = PlaneShape(size);
  Scene colour(kOutline);
  colour.Fill(plane, kBody);
  Scene alpha(Rgb{0, 0, 0});
  alpha.Fill(Grown(plane, outline), Rgb{255, 255, 255});
  std::vector<const Paint*> colourPaints, alphaPaints;
  for (const Paint& p : colour.Paints()) colourPaints.push_back(&p);
  for (const Paint& p : alpha.Paints()) alphaPaints.push_back(&p);

  const std::uint32_t maskStride = ((static_cast<std::uint32_t>(size) + 31) / 32) * 4;
  const std::uint32_t pixelBytes = static_cast<std::uint32_t>(size * size * 4);
  std::vector<std::uint8_t> out;
  le::Append32(out, 40);
  le::Append32(out, static_cast<std::uint32_t>(size));
  le::Append32(out, static_cast<std::uint32_t>(size * 2));
  le::Append16(out, 1);
  le::Append16(out, 32);
  le::Append32(out, 0);
  le::Append32(out, pixelBytes + maskStride * static_cast<std::uint32_t>(size));
  for (int i = 0; i < 4; ++i) le::Append32(out, 0);
  std::vector<std::uint8_t> mask(maskStride * static_cast<std::size_t>(size), 0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const Vec2 at{x + 0.5, y + 0.5};
      const Rgb c = colour.ColourAt(at, colourPaints);
      const double a = alpha.ColourAt(at, alphaPaints).r;
      const auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(v)); };
      out.push_back(byte(a > 0 ? c.b : 0));
      out.push_back(byte(a > 0 ? c.g : 0));
      out.push_back(byte(a > 0 ? c.r : 0));
      out.push_back(byte(a));
      if (a < 128.0) mask[y * maskStride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildIcon() {
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : kSizes) images.push_back(IconImage(size));
  std::vector<std::uint8_t> out;
  le::Append16(out, 0);  // reserved
  le::Append16(out, 1);  // icon
  le::Append16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(kSizes[i]));  // width
    out.push_back(static_cast<std::uint8_t>(kSizes[i]));  // height
    out.push_back(0);                                     // no palette
    out.push_back(0);
    le::Append16(out, 1);   // planes
    le::Append16(out, 32);  // bits per pixel
    le::Append32(out, static_cast<std::uint32_t>(images[i].size()));
    le::Append32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& img : images) out.insert(out.end(), img.begin(), img.end());
  return out;
}

}  // namespace assetgen
