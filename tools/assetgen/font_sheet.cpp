// Rendering the two glyph sets of the bitmap font with FreeType.
#include "font_sheet.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace assetgen {

namespace {

// A cell is drawn 16 text units square, which the display shows 12.5 pixels wide and 16 high:
// glyphs are widened by this factor in the image so that they look true to shape on screen.
constexpr double kCellStretch = 16.0 / 12.5;
constexpr int kBaselineFromCellBottom = 4;

// Sizes the face so that one character advance covers exactly the ink columns of a cell.
void SizeFace(FT_Face face) {
  if (face->units_per_EM == 0 || FT_Load_Char(face, '0', FT_LOAD_NO_SCALE) != 0 ||
      face->glyph->advance.x <= 0) {
    throw std::runtime_error("font has no usable metrics");
  }
  const double advanceRatio = static_cast<double>(face->glyph->advance.x) / face->units_per_EM;
  const double ppem = kFontInkColumns / (advanceRatio * kCellStretch);
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72) != 0) {
    throw std::runtime_error("FreeType cannot size the font for the glyph cells");
  }
  FT_Matrix stretch{static_cast<FT_Fixed>(std::lround(kCellStretch * 65536.0)), 0, 0, 0x10000};
  FT_Set_Transform(face, &stretch, nullptr);
}

// Draws one character into cell `glyph`, keeping its ink inside the cell's ink columns.
void DrawGlyph(Image& sheet, FT_Face face, int glyph, unsigned char code) {
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) {
    throw std::runtime_error("FreeType cannot render character code " + std::to_string(code));
  }
  const FT_Bitmap& bm = face->glyph->bitmap;
  const int cellX = (glyph % 16) * kFontCell;
  const int cellBottom = kFontImageSize - (glyph / 16 + 1) * kFontCell;
  // Column 0 and the cell's top and bottom rows stay empty: the display samples texels linearly,
  // and ink on a cell's border would bleed into the neighbouring glyph's quad.
  int left = face->glyph->bitmap_left;
  const int width = static_cast<int>(bm.width);
  if (width <= kFontInkColumns - 1) left = std::clamp(left, 1, kFontInkColumns - width);
  const int baseline = cellBottom + kBaselineFromCellBottom;
  for (unsigned row = 0; row < bm.rows; ++row) {
    const int y = baseline + face->glyph->bitmap_top - 1 - static_cast<int>(row);
    if (y <= cellBottom || y >= cellBottom + kFontCell - 1) continue;
    for (int col = 0; col < width; ++col) {
      const int x = left + col;
      if (x < 1 || x >= kFontInkColumns) continue;
      const double v = bm.buffer[static_cast<int>(row) * bm.pitch + col];
      sheet.Set(cellX + x, y, Rgb{v, v, v});
    }
  }
}

}  // namespace

Image BuildFontSheet(const FontLibrary& fonts) {
  Image sheet(kFontImageSize, kFontImageSize);
  const FT_Face sets[2] = {fonts.Regular(), fonts.Bold()};
  for (int set = 0; set < 2; ++set) {
    FT_Face face = sets[set];
    SizeFace(face);
    for (int code = 33; code < 127; ++code) {  // 32 is blank, 127 is not printable
      DrawGlyph(sheet, face, set * 128 + code - 32, static_cast<unsigned char>(code));
    }
    FT_Set_Transform(face, nullptr, nullptr);
  }
  return sheet;
}

}  // namespace assetgen
