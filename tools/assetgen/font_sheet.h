// The bitmap font image: two glyph sets of B612 Mono in a 16 x 16 grid of cells.
#pragma once

#include "font_library.h"
#include "image.h"

namespace assetgen {

// A cell is 64 texels: at three times the panel's size (a cell 37.5 x 48 pixels) the display
// still takes glyphs from a finer picture than the screen's.
constexpr int kFontImageSize = 1024;
constexpr int kFontCell = kFontImageSize / 16;
// The display advances 10 of a cell's 16 units per character: glyph ink stays in these columns.
constexpr int kFontInkColumns = kFontCell * 10 / 16;

// White glyphs on black; glyph n sits in column n % 16, row n / 16 from the top. Glyphs 0-95 are
// codes 32-127 in the regular face, glyphs 128-223 the same codes in the bold face.
Image BuildFontSheet(const FontLibrary& fonts);

}  // namespace assetgen
