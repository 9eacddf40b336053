// The full layout's textures: generated only for the full layout, drawn over rectangles of its panel.
#pragma once

#include <string>
#include <vector>

#include "font_library.h"
#include "image.h"

namespace assetgen {

struct FullLayoutTexture {
  std::string file;
  Image image;
};

// The full layout's textures in slot order (full_layout::kFullTextureFiles).
std::vector<FullLayoutTexture> FullLayoutArt(const FontLibrary& fonts);

}  // namespace assetgen
