// The headless renderer of orvane-snapshot: offscreen context, the display's GL set-up, pixel read-back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pfd/frame_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/panel_layout.h"
#include "pfd/texture_set.h"

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

// Opens the offscreen context and prepares it as the display's start-up does: the surface's
// projection, the texture set and font from the current directory, the initial GL state.
bool OpenSnapshotRenderer(PanelResources& resources, const SnapshotSurface& surface, std::string& error);
void CloseSnapshotRenderer();

// The same for the full layout: the context, today's texture set and font, then the full
// layout's textures (false when one is missing).
bool OpenFullSnapshotRenderer(PanelResources& resources, FullLayoutTextures& textures, const SnapshotSurface& surface,
                              std::string& error);

// Draws a full-layout frame over the whole surface and reads it back (RGB, top row first).
std::vector<uint8_t> RenderFullPanel(const PanelResources& resources, const FullLayoutTextures& textures,
                                     const SnapshotSurface& surface, const FullFrameDescription& frame);

// Draws the frame and reads back the whole surface (RGB, top row first).
std::vector<uint8_t> RenderSurface(const PanelResources& resources, const SnapshotSurface& surface,
                                   const FrameDescription& frame);
// The lower-left width x height corner of a surface picture (top row first).
std::vector<uint8_t> CropLowerLeft(const std::vector<uint8_t>& pixels, const SnapshotSurface& surface, int width,
                                   int height);
