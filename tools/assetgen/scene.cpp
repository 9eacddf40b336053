// Painting scenes and baking them texel by texel through a quad's screen placement.
#include "scene.h"

#include <algorithm>
#include <utility>

namespace assetgen {

void Scene::Fill(const Shape& shape, Rgb colour) {
  auto sdf = shape.sdf;
  paints_.push_back({[sdf](Vec2 p) { return std::clamp(0.5 - sdf(p) / kEdgeFilterPx, 0.0, 1.0); },
                     shape.bounds.Grown(kEdgeFilterPx), colour});
}

void Scene::FillOutlined(const Shape& shape, Rgb colour, double outline) {
  Fill(Grown(shape, outline), Rgb{0, 0, 0});
  Fill(shape, colour);
}

void Scene::Text(std::shared_ptr<const TextMask> text, Rgb colour) {
  const Box box = text->Bounds();
  paints_.push_back({[text = std::move(text)](Vec2 p) { return text->Coverage(p); }, box, colour});
}

void Scene::Cover(std::function<double(Vec2)> coverage, Box bounds, Rgb colour) {
  paints_.push_back({std::move(coverage), bounds, colour});
}

Rgb Scene::ColourAt(Vec2 p, const std::vector<const Paint*>& candidates) const {
  Rgb c = background_;
  for (const Paint* paint : candidates) {
    const Box& b = paint->bounds;
    if (p.x < b.x0 || p.x > b.x1 || p.y < b.y0 || p.y > b.y1) continue;
    const double a = paint->coverage(p);
    if (a > 0.0) c = Mix(c, paint->colour, a);
  }
  return c;
}

Image Bake(const Scene& scene, const QuadPlacement& quad) {
  const int n = quad.texels;
  Image img(n, n);
  constexpr int kTile = 16;
  std::vector<const Paint*> candidates;
  for (int ty = 0; ty < n; ty += kTile) {
    for (int tx = 0; tx < n; tx += kTile) {
      // Only paints that reach this tile's screen area are looked at for its texels.
      const Vec2 lo = quad.TexelToScreen(tx, ty);
      const Vec2 hi = quad.TexelToScreen(std::min(tx + kTile, n) - 1, std::min(ty + kTile, n) - 1);
      const Box tile{lo.x, lo.y, hi.x, hi.y};
      candidates.clear();
      for (const Paint& p : scene.Paints()) {
        if (p.bounds.Overlaps(tile, 0.0)) candidates.push_back(&p);
      }
      for (int j = ty; j < std::min(ty + kTile, n); ++j) {
        for (int i = tx; i < std::min(tx + kTile, n); ++i) {
          img.Set(i, j, scene.ColourAt(quad.TexelToScreen(i, j), candidates));
        }
      }
    }
  }
  return img;
}

}  // namespace assetgen
