// Software compositing of the panel layers into a PNG, following the display's drawing order.
#include "preview.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "screen_geometry.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace assetgen {

namespace {

constexpr int kCanvas = 332;
constexpr double kPi = 3.14159265358979323846;

enum class Blend { Replace, Multiply, Add };

struct Canvas {
  std::vector<Rgb> px = std::vector<Rgb>(kCanvas * kCanvas);
  Rgb& At(int x, int y) { return px[static_cast<std::size_t>(y) * kCanvas + x]; }
};

// Bilinear texture sample with wrap-around, as GL_LINEAR with GL_REPEAT samples.
Rgb Sample(const Image& img, double s, double t) {
  const double fx = s * img.width - 0.5;
  const double fy = t * img.height - 0.5;
  const int x0 = static_cast<int>(std::floor(fx));
  const int y0 = static_cast<int>(std::floor(fy));
  const double ax = fx - x0;
  const double ay = fy - y0;
  auto get = [&img](int x, int y) {
    x = ((x % img.width) + img.width) % img.width;
    y = ((y % img.height) + img.height) % img.height;
    return img.Get(x, y);
  };
  const Rgb bottom = Mix(get(x0, y0), get(x0 + 1, y0), ax);
  const Rgb top = Mix(get(x0, y0 + 1), get(x0 + 1, y0 + 1), ax);
  return Mix(bottom, top, ay);
}

Rgb Apply(Rgb dst, Rgb src, Blend mode) {
  switch (mode) {
    case Blend::Replace:
      return src;
    case Blend::Multiply:
      return {dst.r * src.r / 255.0, dst.g * src.g / 255.0, dst.b * src.b / 255.0};
    case Blend::Add:
      return {std::min(255.0, dst.r + src.r), std::min(255.0, dst.g + src.g),
              std::min(255.0, dst.b + src.b)};
  }
  return dst;
}

// Draws a quad: centre c and edge `size` in pixels, turned by -rollDeg (clockwise for positive),
// its texture window slid by -scroll in t.
void DrawQuad(Canvas& canvas, const Image& tex, Vec2 c, double size, double rollDeg, double scroll,
              Blend mode) {
  const double a = rollDeg * kPi / 180.0;
  for (int y = 0; y < kCanvas; ++y) {
    for (int x = 0; x < kCanvas; ++x) {
      const double dx = x + 0.5 - c.x;
      const double dy = y + 0.5 - c.y;
      // Undo the clockwise turn.
      const double lx = dx * std::cos(a) - dy * std::sin(a);
      const double ly = dx * std::sin(a) + dy * std::cos(a);
      const double u = lx / size + 0.5;
      const double v = ly / size + 0.5;
      if (u < 0 || u > 1 || v < 0 || v > 1) continue;
      canvas.At(x, y) = Apply(canvas.At(x, y), Sample(tex, u, v - scroll), mode);
    }
  }
}

// The texture brought down by 2 x 2 averages, as the display's mipmaps do, until it is at most
// maxWidth texels wide (the textures are drawn for panels three times the canvas).
Image Reduced(const Image& texture, double maxWidth) {
  Image level = texture;
  while (level.width > 1 && level.height > 1 && level.width > maxWidth) {
    Image half(level.width / 2, level.height / 2);
    for (int y = 0; y < half.height; ++y) {
      for (int x = 0; x < half.width; ++x) {
        const Rgb a = level.Get(2 * x, 2 * y), b = level.Get(2 * x + 1, 2 * y);
        const Rgb c = level.Get(2 * x, 2 * y + 1), d = level.Get(2 * x + 1, 2 * y + 1);
        half.Set(x, y, {(a.r + b.r + c.r + d.r) / 4, (a.g + b.g + c.g + d.g) / 4,
                        (a.b + b.b + c.b + d.b) / 4});
      }
    }
    level = std::move(half);
  }
  return level;
}

void DrawPlaced(Canvas& canvas, const std::map<std::string, Image>& textures,
                TextureSlot slot, Vec2 shiftPx, double rollDeg, double scroll, Blend mode) {
  const std::string file = TextureFileNames[size_t(slot)];
  const auto it = textures.find(file);
  if (it == textures.end()) throw std::runtime_error("preview: texture " + file + " missing");
  const QuadPlacement& q = QuadFor(slot);
  const Vec2 c = q.Centre();
  // At most 2.5 texels per canvas pixel, as the display samples at 1 x.
  DrawQuad(canvas, Reduced(it->second, 2.5 * q.SizePx()), {c.x + shiftPx.x, c.y + shiftPx.y},
           q.SizePx(), rollDeg, scroll, mode);
}

// Prints text the way the display's font lists do: 16 x 16 unit cells advancing 10 units, in a
// 640 x 740 text space over the 500 x 740 pixel viewport, added in the given colour.
void PrintSample(Canvas& canvas, const Image& font, const std::string& text, double x, double y,
                 Rgb colour) {
  const double unit = 500.0 / 640.0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int glyph = static_cast<unsigned char>(text[i]) - 32;
    if (glyph < 0 || glyph > 95) continue;
    const double s0 = (glyph % 16) / 16.0;
    const double t1 = 1.0 - (glyph / 16) / 16.0;
    const double qx = (x + 10.0 * static_cast<double>(i)) * unit;
    for (int py = static_cast<int>(y); py < static_cast<int>(y) + 17 && py < kCanvas; ++py) {
      for (int px = static_cast<int>(qx); px < static_cast<int>(qx + 16 * unit) + 1; ++px) {
        if (px < 0 || py < 0 || px >= kCanvas) continue;
        const double u = (px + 0.5 - qx) / (16 * unit);
        const double v = (py + 0.5 - y) / 16.0;
        if (u < 0 || u > 1 || v < 0 || v > 1) continue;
        const Rgb g = Sample(font, s0 + u / 16.0, t1 - 1.0 / 16.0 + v / 16.0);
        const Rgb add{g.r * colour.r / 255.0, g.g * colour.g / 255.0, g.b * colour.b / 255.0};
        canvas.At(px, py) = Apply(canvas.At(px, py), add, Blend::Add);
      }
    }
  }
}

}  // namespace

void WritePreview(const std::string& path, const std::map<std::string, Image>& textures,
                  const Image& fontImage, const PreviewState& st) {
  Canvas canvas;
  // Glyph cells of 16 texels, the level the display takes 1 x text from.
  const Image font = Reduced(fontImage, 16 * 16);
  const double pitchOffset = st.pitchDeg * kPitchOffsetPerDegree;
  // Attitude layer.
  DrawPlaced(canvas, textures, SlotHorizon, {0, 0}, st.bankDeg, pitchOffset, Blend::Replace);
  DrawPlaced(canvas, textures, SlotStaticMask, {0, 0}, 0, 0, Blend::Multiply);
  DrawPlaced(canvas, textures, SlotWindowMask, {0, 0}, 0, 0, Blend::Multiply);
  DrawPlaced(canvas, textures, SlotStaticInd, {0, 0}, 0, 0, Blend::Add);
  DrawPlaced(canvas, textures, SlotRollNeedle, {0, 0}, st.bankDeg, 0, Blend::Add);
  DrawPlaced(canvas, textures, SlotWindow, {0, 0}, 0, 0, Blend::Add);
  // Guidance layers.
  if (st.ilsState != 0) {
    DrawPlaced(canvas, textures, st.ilsState == 4 ? SlotIls : SlotNoIls, {0, 0}, 0, 0,
               Blend::Add);
    if (st.ilsState == 4) {
      const double gs = -st.gsNeedle * 0.0094488 * PixelsPerUnit(33.0);
      DrawPlaced(canvas, textures, SlotIlsInd, {0, gs}, 0, 0, Blend::Add);
    }
    DrawPlaced(canvas, textures, SlotIlsH, {0, 0}, 0, 0, Blend::Add);
    const double loc = st.locNeedle * 0.0108661417 * PixelsPerUnit(39.0);
    DrawPlaced(canvas, textures, SlotIlsHInd, {loc, 0}, 0, 0, Blend::Add);
  }
  DrawPlaced(canvas, textures, SlotSpd, {0, 0}, 0, 0, Blend::Add);
  if (st.flightDirector) {
    const double k = PixelsPerUnit(17.2);
    const double v = -std::clamp(st.fdPitchDeg, -27.0, 27.0) / 27.0 * k;
    const double h = -std::clamp(st.fdBankDeg, -27.0, 27.0) / 32.0 * k;
    DrawPlaced(canvas, textures, SlotFdHMask, {0, v}, 0, 0, Blend::Multiply);
    DrawPlaced(canvas, textures, SlotFdH, {0, v}, 0, 0, Blend::Add);
    DrawPlaced(canvas, textures, SlotFdVMask, {h, 0}, 0, 0, Blend::Multiply);
    DrawPlaced(canvas, textures, SlotFdV, {h, 0}, 0, 0, Blend::Add);
  }
  if (st.sampleTexts) {
    const Rgb green{0, 255, 0}, white{255, 255, 255}, blue{0, 200, 222};
    PrintSample(canvas, font, "AP ENG", 300, 50, white);
    PrintSample(canvas, font, "LOC", 100, 280, green);
    PrintSample(canvas, font, "ALT", 290, 280, white);
    PrintSample(canvas, font, "GS", 350, 280, green);
    PrintSample(canvas, font, "1230", 322, 20, blue);
    PrintSample(canvas, font, "RA", 370, 20, white);
    PrintSample(canvas, font, "O", 385, 94, blue);
  }
  // PNG rows run top-down; enlarge by the requested factor.
  const int scale = std::clamp(st.scale, 1, 8);
  const int side = kCanvas * scale;
  std::vector<unsigned char> png(static_cast<std::size_t>(side) * side * 3);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const Rgb c = canvas.At(x / scale, kCanvas - 1 - y / scale);
      unsigned char* p = &png[(static_cast<std::size_t>(y) * side + x) * 3];
      p[0] = static_cast<unsigned char>(std::lround(std::clamp(c.r, 0.0, 255.0)));
      p[1] = static_cast<unsigned char>(std::lround(std::clamp(c.g, 0.0, 255.0)));
      p[2] = static_cast<unsigned char>(std::lround(std::clamp(c.b, 0.0, 255.0)));
    }
  }
  if (stbi_write_png(path.c_str(), side, side, 3, png.data(), side * 3) == 0) {
    throw std::runtime_error("cannot write preview " + path);
  }
}

}  // namespace assetgen
