// The panel's resources: the sixteen panel textures, the font texture and its glyph lists, loaded into GL.
#pragma once

#include <cstdint>

#include "pfd/panel_quads.h"
#include "render/backend.h"

// The texture names the drawing uses, created once at start-up by LoadTextureSet. All 0 until
// then; a slot whose file was missing has a name without a picture.
struct PanelResources {
  uint32_t TextureNames[SlotCount] = {};
  uint32_t FontTexture = 0;
  // At an image's slot, the texture holding that image with its mask as alpha, for a backend that
  // draws masked pictures in one pass (0: none, the two are drawn one after the other).
  uint32_t Combined[SlotCount] = {};
  // The level of each file's picture (slots in order, then the font) that is GL's level 0:
  // 0 for the picture's full size, 1 for half of it, ...
  uint8_t FinestLevel[SlotCount + 1] = {};
  // The largest panel scale the levels in GL serve.
  double DetailScale = 0.0;
};

// Uploads the texture set from the current directory into `resources` through `device` (needs a
// current GL context), with the detail a panel drawn at `panelScale` times today's size samples
// (the pictures are drawn exactly as from their full mipmap chains), and with `combined` each
// mask and its image in one texture as well. True when "pfd_2.txr" was there; without it no
// texture is created.
bool LoadTextureSet(PanelResources& resources, double panelScale,
                    render::TextureDevice& device = render::GlTextureDevice(), bool combined = false);
// Loads the finer levels a panel at `panelScale` samples where the set was loaded for a smaller
// panel (the window moved to a monitor of a larger scale, say); nothing when it has them.
void RaiseTextureDetail(PanelResources& resources, double panelScale,
                        render::TextureDevice& device = render::GlTextureDevice());
// Fills the texture `name` with the picture of file `fileName`, read in pieces, from its full size
// down to half of it (what the panel's filters sample); false when the file is missing or not a
// usable BMP (the texture then has no picture). Needs a current GL context.
bool LoadPanelPicture(uint32_t name, const char* fileName, render::TextureDevice& device = render::GlTextureDevice());
// A new texture holding image file `imageFile` with 255 minus mask file `maskFile` as its alpha
// (the image is added where the mask keeps what is below), with the detail of slot `slot` at
// `panelScale` (or, for -1, from the full size down to half of it); 0 when either file is missing
// or unusable or their sizes differ.
uint32_t LoadMaskedPicture(const char* maskFile, const char* imageFile, render::TextureDevice& device, int slot = -1,
                           double panelScale = 1.0);
