// The bitmap font over "font.bmp": 256 glyphs in a 16 x 16 grid, and the one text operation of
// the display.
#pragma once

#include <cstdint>
#include <string>

#include "pfd/texture_set.h"
#include "render/draw_list.h"

// The quad of glyph `n` (0-255) at the origin, 16 x 16 text units, its cell of the font texture
// over it.
void GlyphQuad(int n, render::Vertex (&quad)[4]);
// Records `text` in glyph set `set` (0 or 1; above 1 counts as 1) into `list`, its first glyph's
// lower-left corner at (x, y) in the 640 x 740 text space over the list's viewport, in the list's
// colour and blend; the list's projection and transform are as they were afterwards.
void PrintText(render::DrawList& list, const PanelResources& resources, const std::string& text, int32_t set,
               float x, float y);
