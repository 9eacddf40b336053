// DrawFrame: fetch, decide, draw.
#include "shell/frame.h"

#include "model/flight_conversions.h"
#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"

FlightState DrawFrame(FlightDataSource& source, const PanelResources& resources) {
  FlightState state{};
  const bool complete = source.Fetch(state);
  ApplyConversions(state, source.Inclination());
  const FrameDescription frame = DecideFrame(state, !complete);
  DrawFramePanel(resources, frame);
  source.PauseAfterPanel();
  DrawFrameGuidance(resources, frame);
  return state;
}
