// DrawFrame: fetch, decide, draw.
#include "shell/frame.h"

#include "model/interface_codec.h"

FlightFrame DrawFrame(FlightDataSource& source, PanelFrameRules& rules, const PanelRenderer& renderer,
                      double timeSeconds, PanelPicture* decided) {
  FlightFrame frame{};
  const bool complete = source.Fetch(frame);
  const PanelPicture picture = rules.Decide(frame, complete, timeSeconds);
  renderer.DrawPanel(picture);
  source.PauseAfterPanel();
  renderer.DrawGuidance(picture);
  if (decided != nullptr) *decided = picture;
  return frame;
}
