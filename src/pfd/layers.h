// The drawing layers: attitude and background, ILS scales, speed plate and flight-director bars,
// each recorded into a draw list with the textures of `r`, in the list's current view.
#pragma once

#include <cstdint>

#include "pfd/texture_set.h"
#include "render/draw_list.h"

// What the attitude layer leaves out or colours otherwise (the full layout's; today's panel draws
// everything, the roll pointer white).
struct AttitudeLook {
  bool horizon = true;      // the sky, the ground and the pitch scale
  bool rollPointer = true;
  bool rollPointerAmber = false;
};
// Clears the frame and draws the horizon (scrolled by pitchOffset, turned by bank) with the static
// frame, window artwork and roll pointer. Leaves blending on in add mode.
void DrawAttitude(render::DrawList& list, const PanelResources& r, float pitchOffset, float bank,
                  const AttitudeLook& look = {});
// ilsState 0: nothing; 1: no-ILS plate and localizer; 4: glide-slope and localizer scales. A
// pointer whose deviation is not known is left out (the full layout's).
void DrawIls(render::DrawList& list, const PanelResources& r, uint16_t ilsState, float glideSlopeOffset,
             float localizerOffset, bool glideSlopePointer = true, bool localizerPointer = true);
void DrawSpdPlate(render::DrawList& list, const PanelResources& r);
void DrawFdHorizontalBar(render::DrawList& list, const PanelResources& r, float offset);
void DrawFdVerticalBar(render::DrawList& list, const PanelResources& r, float offset);
