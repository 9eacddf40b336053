// The panel's resources: the sixteen panel textures, the font texture and its glyph lists, loaded into GL.
#pragma once

#include <cstdint>

#include "pfd/panel_quads.h"

// The GL names the drawing uses, created once at start-up by LoadTextureSet and BuildFont. All 0
// until then; a slot whose file was missing has a name without a picture.
struct PanelResources {
  uint32_t TextureNames[SlotCount] = {};
  uint32_t FontTexture = 0;
  uint32_t FontListBase = 0;
  // The level of each file's picture (slots in order, then the font) that is GL's level 0:
  // 0 for the picture's full size, 1 for half of it, ...
  uint8_t FinestLevel[SlotCount + 1] = {};
  // The largest panel scale the levels in GL serve.
  double DetailScale = 0.0;
};

// Uploads the texture set from the current directory into `resources` (needs a current GL
// context), with the detail a panel drawn at `panelScale` times today's size samples (the pictures
// are drawn exactly as from their full mipmap chains). True when "pfd_2.txr" was there; without
// it no texture is created.
bool LoadTextureSet(PanelResources& resources, double panelScale);
// Loads the finer levels a panel at `panelScale` samples where the set was loaded for a smaller
// panel (the window moved to a monitor of a larger scale, say); nothing when it has them.
void RaiseTextureDetail(PanelResources& resources, double panelScale);
// Fills the texture `name` with the picture of file `fileName`, read in pieces, from its full size
// down to half of it (what the panel's filters sample); false when the file is missing or not a
// usable BMP (the texture then has no picture). Needs a current GL context.
bool LoadPanelPicture(uint32_t name, const char* fileName);
