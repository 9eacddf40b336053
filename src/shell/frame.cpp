// DrawFrame: fetch, decide, draw.
#include "shell/frame.h"

#include "model/flight_conversions.h"
#include "pfd/frame_rules.h"

FlightState DrawFrame(FlightDataSource& source, const PanelRenderer& renderer) {
  FlightState state{};
  const bool complete = source.Fetch(state);
  ApplyConversions(state, source.Inclination());
  const FrameDescription frame = DecideFrame(state, !complete);
  renderer.DrawPanel(frame);
  source.PauseAfterPanel();
  renderer.DrawGuidance(frame);
  return state;
}
