// A layer of artwork designed in screen space, and its baking into a texture through a quad placement.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "image.h"
#include "shapes.h"
#include "text_mask.h"

namespace assetgen {

// Anti-aliasing filter width, in pixels of the scale-1 screen: one pixel at the sharpest scale the
// artwork is drawn for (the display's mipmaps widen it to a pixel at scale 1).
constexpr double kEdgeFilterPx = 1.0 / kSharpestScale;

// One painted element: how much of it covers a point, and its colour.
struct Paint {
  std::function<double(Vec2)> coverage;
  Box bounds;
  Rgb colour;
};

class Scene {
 public:
  explicit Scene(Rgb background) : background_(background) {}

  // Paints the shape over everything painted before.
  void Fill(const Shape& shape, Rgb colour);
  // Paints the shape with a black outline of the given width around it.
  void FillOutlined(const Shape& shape, Rgb colour, double outline);
  void Text(std::shared_ptr<const TextMask> text, Rgb colour);
  // Paints any coverage function (0..1) that is 0 outside `bounds`.
  void Cover(std::function<double(Vec2)> coverage, Box bounds, Rgb colour);

  // Colour of the layer at a screen point; `candidates` lists the paints that may reach it.
  Rgb ColourAt(Vec2 p, const std::vector<const Paint*>& candidates) const;
  const std::vector<Paint>& Paints() const { return paints_; }

 private:
  Rgb background_;
  std::vector<Paint> paints_;
};

// Bakes the scene into the texture of a quad: every texel takes the colour of its screen position.
Image Bake(const Scene& scene, const QuadPlacement& quad);

}  // namespace assetgen
