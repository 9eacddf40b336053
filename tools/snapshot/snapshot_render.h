// The headless renderer of orvane-snapshot: offscreen context, the display's GL set-up, pixel read-back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"
#include "pfd/renderer.h"
#include "platform/window.h"


// The part of the surface the display window shows (its lower-left corner), at scale 1.
constexpr int kPanelSize = 332;

// The drawing surface at `scale` times its size.
struct SnapshotSurface {
  double scale = 1.0;
  int width = kSurfaceWidth;
  int height = kSurfaceHeight;
  int panel = kPanelSize;  // the window's part, square
};
SnapshotSurface SurfaceAtScale(double scale);

// The full layout's panel at `scale` times its size (width and height; `panel` unused).
SnapshotSurface FullSurfaceAtScale(double scale);

// Opens the offscreen context and prepares it as the display's start-up does, through the
// renderer: the surface's projection, the texture set and font from the current directory (the full
// panel's pictures too for a full-panel renderer: false when one is missing), the initial GL state.
bool OpenSnapshotRenderer(platform::OffscreenGl& gl, PanelRenderer& renderer, const SnapshotSurface& surface,
                          std::string& error);
void CloseSnapshotRenderer(platform::OffscreenGl& gl);

// Draws the picture and reads back the whole surface (RGB, top row first): today's 500 x 740
// drawing surface, or the full panel.
std::vector<uint8_t> RenderSurface(const PanelRenderer& renderer, const SnapshotSurface& surface,
                                   const PanelPicture& picture);
// The lower-left width x height corner of a surface picture (top row first).
std::vector<uint8_t> CropLowerLeft(const std::vector<uint8_t>& pixels, const SnapshotSurface& surface, int width,
                                   int height);
