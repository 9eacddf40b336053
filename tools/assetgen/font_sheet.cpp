// Rendering the two glyph sets of the bitmap font with FreeType.
#include "font_sheet.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace assetgen {

namespace {

// A cell is drawn 16 text units square, which the display shows 12.5 pixels wide and 16 high:
// glyphs are widened by this factor in the image so that they look true to shape on screen.
constexpr double kCellStretch = 16.0 / 12.5;
// Glyphs are fitted to the grid of a 16-texel cell, the size a cell has on the screen at scale 1
// (the display's mipmaps come down to exactly that grid), and drawn kFitScale times larger.
constexpr int kFitCell = 16;
constexpr int kFitScale = kFontCell / kFitCell;
constexpr int kFitInkColumns = kFitCell * 10 / 16;
constexpr int kBaselineFromCellBottom = 4;  // in texels of the fitting grid
// Stems are thickened by three quarters of a fitting-grid texel (26.6), so that a regular stem
// covers about two texels, at least one of them fully: at scale 1 it then shows in the text's
// full colour instead of smeared over two half-lit pixels. A whole texel would be stronger still
// but fills the inner corners of M and W.
constexpr FT_Pos kStemThickening = 48;

// Sizes the face so that one character advance covers exactly the ink columns of a cell of the
// fitting grid, widened by the cell's stretch (so the hinter fits stems to the stretched grid).
void SizeFace(FT_Face face) {
  if (face->units_per_EM == 0 || FT_Load_Char(face, '0', FT_LOAD_NO_SCALE) != 0 ||
      face->glyph->advance.x <= 0) {
    throw std::runtime_error("font has no usable metrics");
  }
  FT_Set_Transform(face, nullptr, nullptr);
  const double advanceRatio = static_cast<double>(face->glyph->advance.x) / face->units_per_EM;
  const double ppem = kFitInkColumns / (advanceRatio * kCellStretch);
  const auto height = static_cast<FT_F26Dot6>(std::lround(ppem * 64));
  const auto width = static_cast<FT_F26Dot6>(std::lround(ppem * kCellStretch * 64));
  if (FT_Set_Char_Size(face, width, height, 72, 72) != 0) {
    throw std::runtime_error("FreeType cannot size the font for the glyph cells");
  }
}

// Draws one character into cell `glyph`, keeping its ink inside the cell's ink columns.
void DrawGlyph(Image& sheet, FT_Face face, int glyph, unsigned char code) {
  // The auto-hinter in its normal mode fits stems to the grid in both directions.
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Char(face, code, flags) != 0 || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    throw std::runtime_error("FreeType cannot load character code " + std::to_string(code));
  }
  FT_Outline& outline = face->glyph->outline;
  // Thickening moves both edges of a stem outwards by half the amount; shifting the glyph right
  // by that half keeps its left edges where the hinter put them.
  if (FT_Outline_EmboldenXY(&outline, kStemThickening, 0) != 0) {
    throw std::runtime_error("FreeType cannot thicken character code " + std::to_string(code));
  }
  FT_Outline_Translate(&outline, kStemThickening / 2, 0);
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  // Column 0 and the cell's top and bottom rows stay empty: the display samples texels linearly,
  // and ink on a cell's border would bleed into the neighbouring glyph's quad. Whole-texel shifts
  // only, so the fitted stems stay on the grid.
  const int inkLeft = static_cast<int>(std::floor(box.xMin / 64.0));
  const int inkWidth = static_cast<int>(std::ceil(box.xMax / 64.0)) - inkLeft;
  int left = inkLeft;
  if (inkWidth <= kFitInkColumns - 1) left = std::clamp(inkLeft, 1, kFitInkColumns - inkWidth);
  FT_Outline_Translate(&outline, (left - inkLeft) * 64, kBaselineFromCellBottom * 64);
  const FT_Matrix enlarge{kFitScale * 0x10000, 0, 0, kFitScale * 0x10000};
  FT_Outline_Transform(&outline, &enlarge);

  // The cell, rendered with exact coverage; buffer row 0 is the cell's top row.
  std::vector<unsigned char> cell(static_cast<std::size_t>(kFontCell) * kFontCell, 0);
  FT_Bitmap bitmap{};
  bitmap.rows = kFontCell;
  bitmap.width = kFontCell;
  bitmap.pitch = kFontCell;
  bitmap.buffer = cell.data();
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  if (FT_Outline_Get_Bitmap(face->glyph->library, &outline, &bitmap) != 0) {
    throw std::runtime_error("FreeType cannot render character code " + std::to_string(code));
  }
  const int cellX = (glyph % 16) * kFontCell;
  const int cellBottom = kFontImageSize - (glyph / 16 + 1) * kFontCell;
  const int guard = kFitScale;  // one texel of the fitting grid
  for (int y = guard; y < kFontCell - guard; ++y) {
    for (int x = guard; x < kFitInkColumns * kFitScale; ++x) {
      const double v = cell[static_cast<std::size_t>(kFontCell - 1 - y) * kFontCell + x];
      sheet.Set(cellX + x, cellBottom + y, Rgb{v, v, v});
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
  }
  return sheet;
}

}  // namespace assetgen
