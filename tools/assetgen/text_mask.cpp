// Rasterising text with FreeType into a filtered coverage mask placed in screen space.
#include "text_mask.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace assetgen {

TextMask::TextMask(FT_Face face, const std::string& text, double capHeightPx, Vec2 anchor,
                   double alignX, double alignY) {
  const int ppem = static_cast<int>(std::lround(capHeightPx * kOversample / CapHeightRatio(face)));
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) {
    throw std::runtime_error("FreeType cannot size the font to " + std::to_string(ppem) + " px");
  }
  FT_Set_Transform(face, nullptr, nullptr);
  // Raster with room for descenders and a filter margin; the baseline sits at `base`.
  const int pad = 2 * kOversample;
  const int base = ppem / 2 + pad;
  width_ = static_cast<int>(text.size()) * ppem + 2 * pad;
  height_ = 2 * ppem + 2 * pad;
  std::vector<float> raw(static_cast<std::size_t>(width_) * height_, 0.0f);
  long penX = pad * 64;
  for (unsigned char ch : text) {
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) {
      throw std::runtime_error(std::string("FreeType cannot render character '") +
                               static_cast<char>(ch) + "'");
    }
    const FT_GlyphSlot g = face->glyph;
    const int left = static_cast<int>(penX / 64) + g->bitmap_left;
    for (unsigned row = 0; row < g->bitmap.rows; ++row) {
      const int y = base + g->bitmap_top - 1 - static_cast<int>(row);  // raster rows grow upward
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const int x = left + static_cast<int>(col);
        if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
        const float v = g->bitmap.buffer[row * g->bitmap.pitch + col] / 255.0f;
        float& dst = raw[static_cast<std::size_t>(y) * width_ + x];
        dst = std::min(1.0f, dst + v);
      }
    }
    penX += g->advance.x;
  }
  // Ink box in raster pixels.
  int ix0 = width_, iy0 = height_, ix1 = -1, iy1 = -1;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (raw[static_cast<std::size_t>(y) * width_ + x] > 0.0f) {
        ix0 = std::min(ix0, x);
        iy0 = std::min(iy0, y);
        ix1 = std::max(ix1, x + 1);
        iy1 = std::max(iy1, y + 1);
      }
    }
  }
  if (ix1 < 0) {  // nothing to draw
    ix0 = iy0 = 0;
    ix1 = iy1 = 1;
  }
  // Box filter one pixel of the sharpest scale wide, so that texels sample it without aliasing.
  coverage_.assign(raw.size(), 0.0f);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      float sum = 0.0f;
      for (int dy = -kFilterWidth / 2; dy < kFilterWidth / 2; ++dy) {
        for (int dx = -kFilterWidth / 2; dx < kFilterWidth / 2; ++dx) {
          const int sx = x + dx;
          const int sy = y + dy;
          if (sx >= 0 && sy >= 0 && sx < width_ && sy < height_) {
            sum += raw[static_cast<std::size_t>(sy) * width_ + sx];
          }
        }
      }
      coverage_[static_cast<std::size_t>(y) * width_ + x] = sum / (kFilterWidth * kFilterWidth);
    }
  }
  const double inkW = static_cast<double>(ix1 - ix0) / kOversample;
  const double inkH = static_cast<double>(iy1 - iy0) / kOversample;
  const Vec2 inkCorner{anchor.x - alignX * inkW, anchor.y - alignY * inkH};
  origin_ = {inkCorner.x - static_cast<double>(ix0) / kOversample,
             inkCorner.y - static_cast<double>(iy0) / kOversample};
  bounds_ = {inkCorner.x - 1, inkCorner.y - 1, inkCorner.x + inkW + 1, inkCorner.y + inkH + 1};
}

double TextMask::Coverage(Vec2 p) const {
  const double rx = (p.x - origin_.x) * kOversample - 0.5;
  const double ry = (p.y - origin_.y) * kOversample - 0.5;
  const int x0 = static_cast<int>(std::floor(rx));
  const int y0 = static_cast<int>(std::floor(ry));
  const double fx = rx - x0;
  const double fy = ry - y0;
  auto at = [this](int x, int y) -> double {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0.0;
    return coverage_[static_cast<std::size_t>(y) * width_ + x];
  };
  const double top = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
  const double bottom = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
  return std::clamp(bottom * (1 - fy) + top * fy, 0.0, 1.0);
}

}  // namespace assetgen
