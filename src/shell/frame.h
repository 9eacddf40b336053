// One frame of the display: the source fetches, the frame rules decide, the renderer draws.
#pragma once

#include "model/flight_state.h"
#include "pfd/renderer.h"
#include "sources/flight_data_source.h"

// Fetches the values from `source`, converts them, decides the picture and draws it with
// `renderer`: the panel, the source's pause, then the guidance. Returns the converted values.
FlightState DrawFrame(FlightDataSource& source, const PanelRenderer& renderer);

// The frame of each mode (the simulator's, the data server's). Always true: a frame never asks the
// loop to stop.
inline bool DrawFrameIpc(FlightDataSource& source, const PanelRenderer& renderer) {
  DrawFrame(source, renderer);
  return true;
}
inline bool DrawFrameNetwork(FlightDataSource& source, const PanelRenderer& renderer) {
  DrawFrame(source, renderer);
  return true;
}
