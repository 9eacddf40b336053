// Screen placement of the panel quads, derived from the layers' translations and the projection.
#include "screen_geometry.h"

#include <cmath>
#include <stdexcept>

namespace assetgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kViewportHalfHeight = 370.0;  // 740-pixel viewport
constexpr double kViewportHalfWidth = 250.0;   // 500-pixel viewport

// The layers' constants are 32-bit floats; round them the same way.
double F(double v) { return static_cast<double>(static_cast<float>(v)); }

QuadPlacement Quad(const char* file, double x, double y, double depth, double half) {
  QuadPlacement q;
  q.file = file;
  q.modelX = F(x);
  q.modelY = F(y);
  q.depth = F(depth);
  q.halfSize = F(half);
  q.texels = TexelsFor(q.SizePx());
  return q;
}

}  // namespace

int TexelsFor(double sizePx) {
  int texels = 1;
  while (texels < kSharpestScale * sizePx && texels < (1 << 14)) texels *= 2;
  return texels;
}

double PixelsPerUnit(double depth) {
  return kViewportHalfHeight / (depth * std::tan(22.5 * kPi / 180.0));
}

Vec2 ModelToScreen(double x, double y, double depth) {
  const double k = PixelsPerUnit(depth);
  return {kViewportHalfWidth + x * k, kViewportHalfHeight + y * k};
}

double HorizonPixelsPerDegree() { return 2.0 * kPitchOffsetPerDegree * PixelsPerUnit(3.0); }

double QuadPlacement::Scale() const { return PixelsPerUnit(depth); }
Vec2 QuadPlacement::Centre() const { return ModelToScreen(modelX, modelY, depth); }
double QuadPlacement::SizePx() const { return 2.0 * halfSize * Scale(); }

Vec2 QuadPlacement::TexelToScreen(int i, int j) const {
  const Vec2 c = Centre();
  const double size = SizePx();
  return {c.x + ((i + 0.5) / texels - 0.5) * size, c.y + ((j + 0.5) / texels - 0.5) * size};
}

Vec2 QuadPlacement::ScreenToTexture(Vec2 screen) const {
  const Vec2 c = Centre();
  const double size = SizePx();
  return {(screen.x - c.x) / size + 0.5, (screen.y - c.y) / size + 0.5};
}

const std::vector<QuadPlacement>& PanelQuads() {
  static const std::vector<QuadPlacement> quads = {
      Quad("pfd_2.txr", -0.274, -0.695, 3.0, 1.0),
      Quad("static_mask.txr", -0.375, -0.95, 4.0, 0.65),
      Quad("static_ind.txr", -0.375, -0.95, 4.0, 0.65),
      Quad("window_mask.txr", -0.33, -0.8, 3.5, 0.65),
      Quad("window.txr", -0.33, -0.8, 3.5, 0.65),
      Quad("ILS.txr", 1.57, -3.44, 13.0, 1.0),
      Quad("ILS_ind.txr", 2.65, -7.38, 33.0, 0.65),
      Quad("ILS_H.txr", -1.24, -5.59, 13.0, 1.0),
      Quad("SPD.txr", -2.4, -3.11, 13.0, 1.0),
      Quad("ILSH_ind.txr", -3.67, -14.37, 39.0, 0.65),
      Quad("fdH_mask.txr", -1.64, -3.96, 17.2, 1.0),
      Quad("fdH.txr", -1.64, -3.96, 17.2, 1.0),
      Quad("fdV_mask.txr", -1.64, -3.93, 17.2, 1.0),
      Quad("fdV.txr", -1.64, -3.93, 17.2, 1.0),
      Quad("no_ILS.txr", 1.57, -3.44, 13.0, 1.0),
      Quad("roll_needle.txr", -0.39, -0.891, 4.0, 0.65),
  };
  return quads;
}

const QuadPlacement& QuadFor(const std::string& file) {
  for (const QuadPlacement& q : PanelQuads()) {
    if (q.file == file) return q;
  }
  throw std::out_of_range("no panel quad draws texture '" + file + "'");
}

}  // namespace assetgen
