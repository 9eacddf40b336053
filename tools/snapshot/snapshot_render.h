// The headless renderer of orvane-snapshot: offscreen context, the display's GL set-up, pixel read-back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pfd/frame_rules.h"
#include "pfd/texture_set.h"

constexpr int kSurfaceWidth = 500;
constexpr int kSurfaceHeight = 740;
// The part of the surface the display window shows (its lower-left corner).
constexpr int kPanelSize = 332;

// Opens the offscreen context and prepares it as the display's start-up does: the 500 x 740
// projection, the texture set and font from the current directory, the initial GL state.
bool OpenSnapshotRenderer(PanelResources& resources, std::string& error);
void CloseSnapshotRenderer();

// Draws the frame and reads back the whole surface (RGB, top row first).
std::vector<uint8_t> RenderSurface(const PanelResources& resources, const FrameDescription& frame);
// The lower-left width x height corner of a surface picture (top row first).
std::vector<uint8_t> CropLowerLeft(const std::vector<uint8_t>& surface, int width, int height);
