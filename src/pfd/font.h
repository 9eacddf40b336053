// The bitmap font: 256 display lists over "font.bmp", and the one text operation of the display.
#pragma once

#include <cstdint>
#include <string>

#include "pfd/texture_set.h"

// Compiles the 256 glyph lists over resources.FontTexture into resources.FontListBase.
void BuildFont(PanelResources& resources);
// Prints `text` with glyph set `set` (0 or 1; above 1 counts as 1), its first glyph's lower-left
// corner at (x, y) in the 640 x 740 text space, in the current colour.
void PrintText(const PanelResources& resources, const std::string& text, int32_t set, float x, float y);
