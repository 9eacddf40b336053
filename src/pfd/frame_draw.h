// Records a frame description: the layers, the flight-director bars and the texts, in order. The
// renderer (renderer.h) is how the display and the tools draw; these are its steps.
#pragma once

#include "pfd/frame_rules.h"
#include "pfd/panel_layout.h"
#include "pfd/texture_set.h"
#include "render/draw_list.h"

// The two steps of a frame's picture: the panel (attitude, ILS scales, speed plate), then the
// guidance (flight-director bars, the texts in their colours). The network frame pauses between them.
void DrawFramePanel(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame);
// `pixelScale`: panel pixels to window pixels (the failure flag's outline is one panel pixel wide).
void DrawFrameGuidance(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame,
                       double pixelScale = 1.0);
// Both steps at once.
void DrawFrameDescription(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame,
                          double pixelScale = 1.0);
// The view of a surface `width` x `height` pixels at (x, y): the 45 degree perspective for it.
render::View SurfaceView(int x, int y, int width, int height);
// The view of the surface at the layout's place and scale, and the clip to the panel.
render::View PanelView(const PanelLayout& layout);
render::PixelRect PanelClip(const PanelLayout& layout);
// Before a frame in a layout other than the standard one: the whole window black, then drawing
// clipped to the panel (the surface beyond the panel stays hidden, as the standard window hides it).
void BeginPanelFrame(render::DrawList& list, const PanelLayout& layout);
// Sets the list's colour the way the display sets it for that text colour.
void SetTextColour(render::DrawList& list, TextColour colour);
