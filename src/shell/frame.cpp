// DrawFrame: fetch, decide, draw.
#include "shell/frame.h"

#include "model/flight_conversions.h"

InterfaceValues DrawFrame(FlightDataSource& source, PanelFrameRules& rules, const PanelRenderer& renderer,
                      double timeSeconds) {
  InterfaceValues state{};
  const bool complete = source.Fetch(state);
  ApplyConversions(state, source.Inclination());
  const PanelPicture picture = rules.Decide(state, complete, timeSeconds);
  renderer.DrawPanel(picture);
  source.PauseAfterPanel();
  renderer.DrawGuidance(picture);
  return state;
}
