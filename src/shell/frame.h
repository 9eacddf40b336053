// One frame of the display: the source fetches, the frame rules decide, the renderer draws.
#pragma once

#include "model/interface_codec.h"
#include "pfd/panel_picture.h"
#include "pfd/renderer.h"
#include "sources/flight_data_source.h"

// Fetches the frame from `source`, decides the picture of the renderer's panel by `rules`
// (`timeSeconds`: the frame's time on the monotonic clock) and draws it: the panel, the source's
// pause, then the guidance. Returns the frame drawn, and the picture in `decided` when given.
FlightFrame DrawFrame(FlightDataSource& source, PanelFrameRules& rules, const PanelRenderer& renderer,
                      double timeSeconds, PanelPicture* decided = nullptr);

// The frame of each mode (the simulator's, the data server's) on today's panel. Always true: a
// frame never asks the loop to stop.
inline bool DrawFrameIpc(FlightDataSource& source, const PanelRenderer& renderer) {
  PanelFrameRules rules;
  DrawFrame(source, rules, renderer, 0);
  return true;
}
inline bool DrawFrameNetwork(FlightDataSource& source, const PanelRenderer& renderer) {
  PanelFrameRules rules;
  DrawFrame(source, rules, renderer, 0);
  return true;
}
