// Screen placement of the panel quads, derived from the layers' quads (pfd/panel_quads.h) and the projection.
#include "screen_geometry.h"

#include <cmath>
#include <stdexcept>

namespace assetgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kViewportHalfHeight = 370.0;  // 740-pixel viewport
constexpr double kViewportHalfWidth = 250.0;   // 500-pixel viewport

// The layers' 32-bit constants, widened.
QuadPlacement Quad(const char* file, float x, float y, float depth, float half) {
  QuadPlacement q;
  q.file = file;
  q.modelX = x;
  q.modelY = y;
  q.depth = depth;
  q.halfSize = half;
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
  static const std::vector<QuadPlacement> quads = [] {
    std::vector<QuadPlacement> all;
    for (const PanelQuad& q : kPanelQuads) all.push_back(Quad(q.file, q.x, q.y, q.depth, q.half));
    return all;
  }();
  return quads;
}

const QuadPlacement& QuadFor(TextureSlot slot) { return PanelQuads().at(size_t(slot)); }

const QuadPlacement& QuadFor(const std::string& file) {
  for (const QuadPlacement& q : PanelQuads()) {
    if (q.file == file) return q;
  }
  throw std::out_of_range("no panel quad draws texture '" + file + "'");
}

}  // namespace assetgen
