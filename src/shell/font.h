// The bitmap font: 256 display lists over "font.bmp", and the one text operation of the display.
#pragma once

#include <cstdint>
#include <string>

extern uint32_t FontListBase;

// Compiles the 256 glyph lists (needs FontTexture).
void BuildFont();
// Prints `text` with glyph set `set` (0 or 1; above 1 counts as 1), its first glyph's lower-left
// corner at (x, y) in the 640 x 740 text space, in the current colour.
void PrintText(const std::string& text, int32_t set, float x, float y);
