// Records a full-layout frame description: today's picture in the middle of the larger panel,
// the tapes, the vertical speed, the heading and the mode annunciator around it.
#pragma once

#include <cstdint>

#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/tape_rules.h"
#include "pfd/texture_set.h"
#include "render/backend.h"
#include "render/draw_list.h"

// The full layout's textures, loaded only when the full layout is chosen. A name of 0: the
// file was missing or unusable, and its shape is left out. `combined`, at an image's slot: the
// texture holding that image with its mask as alpha (0: none; drawn in two passes).
struct FullLayoutTextures {
  uint32_t names[full_layout::FullSlotCount] = {};
  uint32_t combined[full_layout::FullSlotCount] = {};
};

// Loads the full layout's textures from the current directory (needs a current GL context), and
// with `combined` each mask and its image into one texture as well. False, with a line in the log
// for each, when any file is missing or unusable.
bool LoadFullLayoutTextures(FullLayoutTextures& textures, render::TextureDevice& device = render::GlTextureDevice(),
                            bool combined = false);

// The full panel in a window of its own size (its lower-left corner at the window's, scale 1).
PanelLayout FullStandardLayout();

// The two steps of a full-layout frame, as today's frame has them (the network frame pauses
// between them): the panel (black, today's attitude and ILS scales, the tapes, the vertical speed
// and the heading), then the guidance (flight-director bars, today's texts and flag, the mode
// annunciator). `layout` places the full panel in the window (FullStandardLayout or FitLayout with the
// full panel's size); in a window larger than the panel, BeginPanelFrame(layout) first clears the
// window around it, as for today's panel. Each step leaves the list's state as it found it.
void DrawFullFramePanel(render::DrawList& list, const PanelResources& resources, const FullLayoutTextures& textures,
                        const FullFrameDescription& frame, const PanelLayout& layout);
void DrawFullFrameGuidance(render::DrawList& list, const PanelResources& resources,
                           const FullLayoutTextures& textures, const FullFrameDescription& frame,
                           const PanelLayout& layout);
// Both steps at once.
void DrawFullFrame(render::DrawList& list, const PanelResources& resources, const FullLayoutTextures& textures,
                   const FullFrameDescription& frame, const PanelLayout& layout);
