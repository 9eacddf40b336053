// One frame of the display: the source fetches, the frame rules decide, the renderer draws.
#pragma once

#include "model/flight_state.h"
#include "pfd/texture_set.h"
#include "sources/flight_data_source.h"
#include "sources/network_source.h"
#include "sources/simulator_source.h"

// Fetches the values from `source`, converts them, decides the picture and draws it with
// `resources`: the panel, the source's pause, then the guidance. Returns the converted values.
FlightState DrawFrame(FlightDataSource& source, const PanelResources& resources);

// The frame in each mode. Always true: a frame never asks the loop to stop.
inline bool DrawFrameIpc(SimulatorSource& source, const PanelResources& resources) {
  DrawFrame(source, resources);
  return true;
}
inline bool DrawFrameNetwork(NetworkSource& source, const PanelResources& resources) {
  DrawFrame(source, resources);
  return true;
}
