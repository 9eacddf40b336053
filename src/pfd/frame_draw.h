// Executes a frame description: the layers, the flight-director bars and the texts, in order. The
// renderer (renderer.h) is how the display and the tools draw; these are its steps.
#pragma once

#include "pfd/frame_rules.h"
#include "pfd/panel_layout.h"
#include "pfd/texture_set.h"

// The two steps of a frame's picture: the panel (attitude, ILS scales, speed plate), then the
// guidance (flight-director bars, the texts in their colours). The network frame pauses between them.
void DrawFramePanel(const PanelResources& resources, const FrameDescription& frame);
// `pixelScale`: panel pixels to window pixels (the failure flag's outline is one panel pixel wide).
void DrawFrameGuidance(const PanelResources& resources, const FrameDescription& frame, double pixelScale = 1.0);
// The viewport and the 45 degree perspective of the surface at the layout's place and scale.
void ApplyPanelLayout(const PanelLayout& layout);
// Before a frame in a layout other than the standard one: the whole window black, then drawing
// clipped to the panel (the surface beyond the panel stays hidden, as the standard window hides it).
void BeginPanelFrame(const PanelLayout& layout);
// Both steps at once.
void DrawFrameDescription(const PanelResources& resources, const FrameDescription& frame, double pixelScale = 1.0);
// Sets the current GL colour the way the display sets it for that text colour.
void SetTextColour(TextColour colour);
