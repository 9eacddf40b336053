// The drawing layers: attitude and background, ILS scales, speed plate and flight-director bars,
// each drawn with the textures of `r`.
#pragma once

#include <cstdint>

#include "pfd/texture_set.h"

// Clears the frame and draws the horizon (scrolled by pitchOffset, turned by bank) with the static
// frame, window artwork and roll pointer. Leaves blending on in add mode and the depth test off.
void DrawAttitude(const PanelResources& r, float pitchOffset, float bank);
// ilsState 0: nothing; 1: no-ILS plate and localizer; 4: glide-slope and localizer scales.
void DrawIls(const PanelResources& r, uint16_t ilsState, float glideSlopeOffset, float localizerOffset);
void DrawSpdPlate(const PanelResources& r);
void DrawFdHorizontalBar(const PanelResources& r, float offset);
void DrawFdVerticalBar(const PanelResources& r, float offset);
