// The drawing layers: attitude and background, ILS scales, speed plate and flight-director bars.
#pragma once

#include <cstdint>

// Clears the frame and draws the horizon (scrolled by pitchOffset, turned by bank) with the static
// frame, window artwork and roll pointer. Leaves blending on in add mode and the depth test off.
void DrawAttitude(float pitchOffset, float bank);
// ilsState 0: nothing; 1: no-ILS plate and localizer; 4: glide-slope and localizer scales.
void DrawIls(uint16_t ilsState, float glideSlopeOffset, float localizerOffset);
void DrawSpdPlate();
void DrawFdHorizontalBar(float offset);
void DrawFdVerticalBar(float offset);
