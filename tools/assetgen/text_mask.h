// A line of text rasterised for placement in screen space, as a coverage mask.
#pragma once

#include <string>
#include <vector>

#include "font_library.h"
#include "shapes.h"

namespace assetgen {

class TextMask {
 public:
  // Renders text with the given cap height in pixels; the ink box is placed so that the point
  // (alignX, alignY) of it (0 = left/bottom, 1 = right/top) lies at anchor.
  TextMask(FT_Face face, const std::string& text, double capHeightPx, Vec2 anchor, double alignX,
           double alignY);

  // Coverage 0..1 at a screen point, filtered over one pixel of the sharpest scale.
  double Coverage(Vec2 p) const;
  // Screen box that holds all ink.
  Box Bounds() const { return bounds_; }

 private:
  // Raster pixels per pixel of the scale-1 screen: four per pixel at the sharpest scale.
  static constexpr int kOversample = 4 * kSharpestScale;
  // The coverage is box-filtered over one pixel of the sharpest scale.
  static constexpr int kFilterWidth = kOversample / kSharpestScale;
  int width_ = 0;
  int height_ = 0;
  std::vector<float> coverage_;  // row 0 at the bottom
  Vec2 origin_;                  // screen position of the raster's bottom-left corner
  Box bounds_;
};

}  // namespace assetgen
